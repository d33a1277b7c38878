#include "sim_rig.h"

#include "test_paths.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace keystead_test {
namespace {

// Every scan starts one monitor per token that answered its serial query; the scan runs on
// the user-interface thread, the only one that lists devices.
bool MonitorsEnded(const std::vector<LogLine>& log) {
    std::set<std::pair<DWORD, DWORD>> scanThreads;
    for (const LogLine& line : log)
        if (line.function == "ZQ_ListAllDev")
            scanThreads.insert({line.pid, line.tid});
    std::map<DWORD, int> started, ended;
    for (const LogLine& line : log) {
        const bool onScanThread = scanThreads.count({line.pid, line.tid}) != 0;
        if (onScanThread && line.function == "ZQPro_GetSn" && line.result == 0x9000)
            ++started[line.pid];
        else if (!onScanThread && line.function == "UnlockUKey")
            ++ended[line.pid];
    }
    for (const auto& [pid, count] : started)
        if (ended[pid] < count)
            return false;
    return true;
}

} // namespace

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
    std::vector<LogLine> calls;
    for (const LogLine& line : LogWithUnloads())
        if (line.function != kUnloaded)
            calls.push_back(line);
    return calls;
}

std::vector<LogLine> TestRig::LogWithUnloads() const {
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

int TestRig::CallsAfterUnload(DWORD pid, bool* unloaded) const {
    int after = 0;
    *unloaded = false;
    for (const LogLine& line : LogWithUnloads()) {
        if (line.pid != pid)
            continue;
        if (line.function == kUnloaded)
            *unloaded = true;
        else if (*unloaded)
            ++after;
    }
    return after;
}

std::vector<LogLine> TestRig::SettledLogOf(DWORD pid, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    std::vector<LogLine> log = LogOf(pid);
    while (!MonitorsEnded(log) && GetTickCount() - start < timeoutMs) {
        Sleep(50);
        log = LogOf(pid);
    }
    return log;
}

std::string BracketFault(const std::vector<LogLine>& log) {
    if (log.empty())
        return "no call at all";
    int depth = 0, opened = 0, closed = 0;
    for (const LogLine& line : log) {
        if (line.function == "LockUKey")
            ++depth;
        else if (line.function == "UnlockUKey")
            --depth;
        else if (depth < 1 && line.function != "ClearPinFromMem") // it touches no token
            return line.function + " outside the lock bracket";
        if (line.depth != depth)
            return line.function + " at depth " + std::to_string(line.depth) + ", expected " +
                   std::to_string(depth) + " (brackets overlap)";
        opened += line.function == "ZQ_OpenDev" && line.result == 0;
        closed += line.function == "ZQ_CloseDev";
    }
    if (depth != 0)
        return "the bracket was left open";
    if (log.back().open != 0 || opened != closed)
        return "a token was left open";
    return "";
}

void TestRig::ClearLog() const {
    const DWORD start = GetTickCount();
    while (!MonitorsEnded(Log()) && GetTickCount() - start < 10000)
        Sleep(50);
    DeleteFileA((dir_ + "\\calls.log").c_str());
}

} // namespace keystead_test
