// A rig of virtual tokens for one test, driven through the control program, and the
// simulator's call log read back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace keystead_test {

struct LogLine {
    DWORD pid = 0;
    DWORD tid = 0;
    std::string function;
    long result = 0;
    int depth = 0;      // lock depth of the calling thread after the call
    int open = 0;       // handles open in the calling process after the call
    std::string device; // escaped device name, for ZQ_OpenDev
};

// The line the library logs when a program frees it while going on.
constexpr char kUnloaded[] = "<unloaded>";

class TestRig {
  public:
    TestRig();
    ~TestRig();
    TestRig(const TestRig&) = delete;
    TestRig& operator=(const TestRig&) = delete;

    const std::string& dir() const { return dir_; }
    // Runs zqsimctl with --rig and these arguments; returns its exit code.
    int Ctl(const std::string& arguments) const;
    // The calls, without the lines that tell of the library being freed.
    std::vector<LogLine> Log() const;
    std::vector<LogLine> LogWithUnloads() const;
    std::vector<LogLine> LogOf(DWORD pid) const;
    // The calls that process logged after it freed the library (0, *unloaded false: never).
    int CallsAfterUnload(DWORD pid, bool* unloaded) const;
    // The log once every default-PIN monitor the logged scans started has ended (each
    // closes one bracket on a thread of its own), or after timeoutMs. Not for a token still
    // on its factory PIN, whose monitor waits for the user.
    std::vector<LogLine> SettledLogOf(DWORD pid, DWORD timeoutMs = 10000) const;
    // Empties the log once the monitors of what it holds have ended.
    void ClearLog() const;

  private:
    std::string dir_;
};

// What is wrong with the brackets of a log, or "" when every token call sits inside a
// bracket, every bracket is closed and every opened token closed. Brackets of different
// threads never overlap, so one running depth serves them all.
std::string BracketFault(const std::vector<LogLine>& log);

// Runs a command line, waits up to timeoutMs and returns its exit code (or -1).
int RunProcess(std::string commandLine, DWORD timeoutMs = 60000, const char* cwd = nullptr);

} // namespace keystead_test
