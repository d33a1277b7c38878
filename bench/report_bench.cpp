// What the support report costs: the icon menu's report of a running Keystead over tokens x
// containers (two certificates each), against the floor of one scan of the same tokens (the
// vendor, store and window calls a scan must make, made directly). The report reads what a scan
// reads, asks each token three questions more and looks each certificate up in a store instead
// of placing it there. The menu's handler ends by starting Notepad; that start is measured on its
// own, as this program starts Notepad the same way, and shown beside the report.
#include "cert_stores.h"
#include "keystead_driver.h"
#include "scan_floor.h"
#include "test_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace keystead_test;
using namespace keystead_bench;

namespace {

void CloseNotepads() {
    for (int i = 0; i < 50; ++i) {
        HWND notepad = FindWindowA("Notepad", nullptr);
        if (!notepad)
            return;
        PostMessageA(notepad, WM_CLOSE, 0, 0);
        Sleep(20);
    }
}

void RemoveReports() {
    char documents[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE);
    WIN32_FIND_DATAA found;
    const std::string pattern = std::string(documents) + "\\Keystead report *.txt";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileA((std::string(documents) + "\\" + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
}

// Notepad started as the menu's handler starts it, up to CreateProcess's return.
double NotepadStartMs(const std::string& file, LARGE_INTEGER freq) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string notepad = std::string(windows) + "\\notepad.exe";
    std::string command = "\"" + notepad + "\" \"" + file + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    const BOOL started = CreateProcessA(notepad.c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &si, &pi);
    QueryPerformanceCounter(&b);
    if (started) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return Seconds(a, b, freq) * 1000;
}

} // namespace

int main() {
    const std::string rigDir = MakeTempDir("benchrig");
    const zqsim::Rig rig(rigDir);
    SetWindowsVersion("Keystead.exe", "winxp");
    std::printf("making certificates...\n");
    std::fflush(stdout);
    const std::vector<std::string> pool = MakeCertificates(32);
    if (pool.size() < 32) {
        std::fprintf(stderr, "could not make the certificates\n");
        return 1;
    }
    KeysteadRun app;
    if (!StartHiddenOverRig(app, rig, rigDir, pool))
        return 1;
    HMODULE lib = LoadLibraryA((BinDir() + "\\ZQCSP.dll").c_str());
    Floor floor(lib);
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    const std::string sample = MakeTempDir("notepad") + "\\sample.txt";
    CloseHandle(CreateFileA(sample.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    std::printf("%7s %10s %10s %11s %9s %13s %7s\n", "tokens", "containers", "report ms",
                "notepad ms", "floor ms", "report-notepad", "ratio");
    double worst = 0;
    for (int tokens : {1, 2, 4}) {
        for (int containers : {1, 2, 4}) {
            WriteRig(rig, tokens, containers, pool);
            // The scan places the certificates, as the running Keystead's last scan would have.
            app.Send(WM_COMMAND, ID_TRAY_REFRESH);
            std::vector<double> reports, notepads, floors;
            for (int r = -1; r < 9; ++r) {
                LARGE_INTEGER a, b;
                QueryPerformanceCounter(&a);
                app.Send(WM_COMMAND, ID_TRAY_REPORT);
                QueryPerformanceCounter(&b);
                const double notepad = NotepadStartMs(sample, freq);
                Sleep(300);
                CloseNotepads();
                RemoveReports();
                LARGE_INTEGER c, d;
                QueryPerformanceCounter(&c);
                floor.Run();
                QueryPerformanceCounter(&d);
                floor.WaitForWorkers();
                if (r < 0)
                    continue; // the first round finds the files and stores cold
                reports.push_back(Seconds(a, b, freq) * 1000);
                notepads.push_back(notepad);
                floors.push_back(Seconds(c, d, freq) * 1000);
            }
            const double report = Median(reports), notepad = Median(notepads),
                         base = Median(floors);
            const double ratio = (report - notepad) / base;
            worst = std::max(worst, ratio);
            std::printf("%7d %10d %10.1f %11.1f %9.1f %13.1f %7.2f\n", tokens, containers, report,
                        notepad, base, report - notepad, ratio);
            std::fflush(stdout);
        }
    }
    std::printf("worst ratio (report - Notepad's start)/floor: %.2f (aim: at most 1.50)\n", worst);
    FreeLibrary(lib);
    app.Kill();
    EmptyStore("MY");
    RemoveTree(rigDir);
    return worst <= 1.5 ? 0 : 1;
}
