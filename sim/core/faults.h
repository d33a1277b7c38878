// Fault injection, one rule per line of the rig's "faults" file:
//   <function> [nth=N | from=N] [threads=main|workers] [status=S] [delay=MS [serve=1]] [pull=1]
//              [count=N] [unterminated=1] [long_name=LEN] [size=N] [ref_len=N]
// Calls are counted per process and per function from the moment the table last changed; a
// rule limited to some threads counts only their calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqsim {

// Which calling threads a rule applies to. The main thread is the one that made the process's
// first call into the library; every other thread is a worker.
enum class FaultThreads { kAll, kMain, kWorkers };

struct FaultRule {
    std::string function;
    FaultThreads threads = FaultThreads::kAll;
    int nth = 0;  // apply to this call only (1-based); 0 = no such restriction
    int from = 0; // apply from this call on; 0 = no such restriction
    bool hasStatus = false;
    std::int32_t status = 0; // returned instead of doing the work
    int delayMs = 0;         // pause before the work
    bool serve = false;      // the pause serves messages sent to the caller's windows, as a
                             // library that shows a window of its own (a PIN pad) would
    bool pull = false;       // the token concerned (else the first plugged) is pulled out first
    // Output shapes, for the functions they make sense for:
    bool hasCount = false;
    std::uint32_t count = 0;   // ZQ_ListAllDev: reported count, whatever the names
    bool unterminated = false; // ZQ_ListAllDev: last name loses its 0; container name fills 128
    int longName = 0;          // ZQ_ListAllDev: a name of this many bytes goes first
    bool hasSize = false;
    std::uint32_t size = 0; // ZQ_TokenGetCertSize: reported size
    bool hasRefLength = false;
    std::uint32_t refLength = 0; // ZQ_TokenListContainer: length field of both CertRefs

    bool AppliesTo(int callIndex) const;
};

// False with a reason when a line is not a rule.
bool ParseFaultRules(const std::string& text, std::vector<FaultRule>* rules, std::string* error);
std::string FormatFaultRule(const FaultRule& rule);

} // namespace zqsim
