// How long Keystead takes from its process's start to its first scan done (the tree filled,
// the program waiting for input), against a bare dialog program of the same build started the
// same way: medians of alternating starts.
#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace keystead_test;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from CreateProcess to the program waiting for input; the process is then ended
// as its user would end it.
double StartMs(const std::string& exe, const char* title, UINT endMessage, bool* filled) {
    LARGE_INTEGER frequency, a, b;
    QueryPerformanceFrequency(&frequency);
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const std::string dir = exe.substr(0, exe.find_last_of('\\'));
    QueryPerformanceCounter(&a);
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                        &pi))
        return -1;
    WaitForInputIdle(pi.hProcess, 30000);
    QueryPerformanceCounter(&b);
    KeysteadRun view;
    view.Attach(nullptr, pi.dwProcessId);
    HWND main = nullptr;
    for (HWND w : view.TopWindows())
        if (WindowText(w) == title)
            main = w;
    if (filled)
        *filled = main && TreeView_GetCount(GetDlgItem(main, IDC_TOKEN_TREE)) > 0;
    view.Detach();
    PostMessageA(main, endMessage, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    const int starts = argc > 1 ? std::atoi(argv[1]) : 20;
    TestRig rig;
    SetWindowsVersion("Keystead.exe", "winxp");
    if (rig.Ctl("create S1 --changed --slot 1 --container One:both") != 0) {
        std::fprintf(stderr, "could not make the token\n");
        return 1;
    }
    SetEnvironmentVariableA("ZQSIM_RIG", rig.dir().c_str());
    const std::string bare = TestBinDir() + "\\bare_dialog.exe";
    std::vector<double> keystead, floor;
    bool allFilled = true;
    for (int i = 0; i < starts; ++i) {
        bool filled = false;
        keystead.push_back(StartMs(KeysteadPath(), "Keystead", kEndRequest, &filled));
        allFilled = allFilled && filled;
        floor.push_back(StartMs(bare, "Bare dialog", WM_CLOSE, nullptr));
    }
    const double k = Median(keystead), f = Median(floor);
    std::printf("%-34s %10s %10s %8s %8s\n", "start to first scan done", "Keystead", "floor",
                "ratio", "goal");
    std::printf("%-34s %10.1f %10.1f %8.2f %8s\n", "median of starts (ms)", k, f, k / f, "<= 1.5");
    std::printf("(%d starts each, alternating; the tree was %s after every start)\n", starts,
                allFilled ? "filled" : "NOT filled");
    return k / f <= 1.5 && allFilled ? 0 : 1;
}
