// Stands in for a package's setup program in Kestrun's tests: records how it was started,
// stays alive a moment, records its end and exits with the code the test asks for.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string ArgumentsOf(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {
        }
        if (*p == '"')
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

void Record(const std::string& line) {
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string record(path, n);
    record = record.substr(0, record.find_last_of("\\/")) + "\\record.txt";
    if (FILE* f = std::fopen(record.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

int EnvNumber(const char* name, int fallback) {
    char value[32];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::atoi(value) : fallback;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char exe[MAX_PATH + 1] = {}, cwd[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, cwd);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    const int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    Record(std::string("started exe=") + exe + "\ncwd=" + cwd +
           "\nargs=" + ArgumentsOf(GetCommandLineA()) + "\nshow=" + std::to_string(show));
    Sleep(static_cast<DWORD>(EnvNumber("STANDIN_LIFETIME_MS", 1500)));
    Record("ended");
    return EnvNumber("STANDIN_EXIT_CODE", 0);
}
