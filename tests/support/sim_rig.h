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

class TestRig {
  public:
    TestRig();
    ~TestRig();
    TestRig(const TestRig&) = delete;
    TestRig& operator=(const TestRig&) = delete;

    const std::string& dir() const { return dir_; }
    // Runs zqsimctl with --rig and these arguments; returns its exit code.
    int Ctl(const std::string& arguments) const;
    std::vector<LogLine> Log() const;
    std::vector<LogLine> LogOf(DWORD pid) const;
    void ClearLog() const;

  private:
    std::string dir_;
};

// Runs a command line, waits up to timeoutMs and returns its exit code (or -1).
int RunProcess(std::string commandLine, DWORD timeoutMs = 60000, const char* cwd = nullptr);

} // namespace keystead_test
