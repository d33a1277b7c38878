// The fault campaign's matrix: for every command path, every vendor function it calls, each
// failure the library can show there, and what the user must then be told.
#pragma once

#include <string>
#include <vector>

namespace fault_campaign {

enum class Path {
    kScan,
    kView,
    kRegister,
    kUnregister,
    kChangePin,
    kMonitor,
    kCardBinding,
    kSystemInfo
};

// Fixtures of the rig every cell starts from.
constexpr int kAttempts = 3;               // T1's attempts left
constexpr char kUserPin[] = "246813";      // T1's changed PIN
constexpr char kFactoryPin[] = "12345678"; // T1's PIN when it is still the factory one
constexpr char kWrongPin[] = "11335577";
constexpr char kNewPin[] = "135792";

struct Cell {
    Path path = Path::kScan;
    std::string function; // "*" for every one of the 25
    std::string kind;     // error, delay, pull, or the shape of the output
    std::string rule;     // the fault rule's fields after the function and the thread filter
    bool pull = false;
    bool wrongPin = false; // the path is walked with a refused PIN first, to reach the count
};

// A message the user must see: a string of the resource set, string 10 with its count, or
// any box under the caption string (System Information).
struct Message {
    int id = 0;
    long long count = 0;   // for string 10
    bool anyCount = false; // string 10 with whatever count
    bool byCaption = false;
};

struct Expectation {
    // Exactly these messages, in any order; a pull adds the removal warning.
    std::vector<Message> messages;
    // For a pull in the middle of a dialog the order of events decides what is said besides
    // the removal warning, so these are only allowed, not required.
    std::vector<Message> allowed;
    bool viewerStarts = false;
};

const char* PathName(Path path);
std::vector<Cell> FaultMatrix();
// A few cells of every path, fixed, for the test run.
std::vector<Cell> SampleCells();
Expectation Expect(const Cell& cell);
// Which calling threads a cell's rule applies to: the default-PIN monitor's own, or the
// window thread's.
const char* ThreadsOf(Path path);

} // namespace fault_campaign
