#include "sim_rig.h"

#include "test_paths.h"

#include <fstream>
#include <sstream>

namespace keystead_test {

int RunProcess(std::string commandLine, DWORD timeoutMs, const char* cwd) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, cwd, &si,
                        &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<int>(code);
}

TestRig::TestRig() : dir_(MakeTempDir("rig")) {}

TestRig::~TestRig() {
    RemoveTree(dir_);
}

int TestRig::Ctl(const std::string& arguments) const {
    return RunProcess("\"" + BinDir() + "\\zqsimctl.exe\" --rig \"" + dir_ + "\" " + arguments);
}

std::vector<LogLine> TestRig::Log() const {
    std::vector<LogLine> lines;
    std::ifstream in(dir_ + "\\calls.log");
    std::string text;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        std::istringstream words(text);
        LogLine line;
        words >> line.pid >> line.tid >> line.function;
        std::string field;
        while (words >> field) {
            std::size_t eq = field.find('=');
            if (eq == std::string::npos)
                continue;
            std::string key = field.substr(0, eq), value = field.substr(eq + 1);
            if (key == "rc")
                line.result = std::stol(value);
            else if (key == "depth")
                line.depth = std::stoi(value);
            else if (key == "open")
                line.open = std::stoi(value);
            else if (key == "dev")
                line.device = value;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<LogLine> TestRig::LogOf(DWORD pid) const {
    std::vector<LogLine> mine;
    for (const LogLine& line : Log())
        if (line.pid == pid)
            mine.push_back(line);
    return mine;
}

void TestRig::ClearLog() const {
    DeleteFileA((dir_ + "\\calls.log").c_str());
}

} // namespace keystead_test
