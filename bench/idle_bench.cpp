// What Keystead costs while nobody uses it: started hidden with two tokens, then left alone
// for a minute. It must neither work nor ask the token anything: no polling.
#include "keystead_driver.h"
#include "process_figures.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <windows.h>

#include <cstdio>

using namespace keystead_test;

int main(int argc, char** argv) {
    const DWORD idleMs = argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) * 1000 : 60000;
    TestRig rig;
    SetWindowsVersion("Keystead.exe", "winxp");
    if (rig.Ctl("create I1 --changed --slot 1 --container One:both") != 0 ||
        rig.Ctl("create I2 --changed --slot 2 --container Two:both") != 0) {
        std::fprintf(stderr, "could not make the tokens\n");
        return 1;
    }
    KeysteadRun app;
    if (!app.Start(rig.dir())) {
        std::fprintf(stderr, "Keystead did not start\n");
        return 1;
    }
    // The floor: a bare dialog program of the same build, idle over the same minute.
    std::string bareCommand = "\"" + TestBinDir() + "\\bare_dialog.exe\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION bare = {};
    if (!CreateProcessA(nullptr, &bareCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &bare)) {
        std::fprintf(stderr, "the bare dialog did not start\n");
        return 1;
    }
    WaitForInputIdle(bare.hProcess, 10000);
    const std::size_t callsBefore = rig.SettledLogOf(app.pid()).size();
    Sleep(1000); // the start-up's last messages
    const ProcessFigures before = SampleProcess(app.process(), app.pid());
    const ProcessFigures bareBefore = SampleProcess(bare.hProcess, bare.dwProcessId);
    Sleep(idleMs);
    const ProcessFigures after = SampleProcess(app.process(), app.pid());
    const ProcessFigures bareAfter = SampleProcess(bare.hProcess, bare.dwProcessId);
    TerminateProcess(bare.hProcess, 0);
    CloseHandle(bare.hThread);
    CloseHandle(bare.hProcess);
    const std::size_t calls = rig.LogOf(app.pid()).size() - callsBefore;
    const double cpu = after.cpuMs - before.cpuMs;
    const double floor = bareAfter.cpuMs - bareBefore.cpuMs;
    std::printf("%-28s %10s %12s %10s\n", "idle, hidden, two tokens", "Keystead", "bare dialog",
                "goal");
    // Wine's own machinery costs every idle program some CPU; what Keystead adds is the rest.
    std::printf("%-28s %10.1f %12.1f %10s\n", "CPU time over the idle (ms)", cpu, floor, "");
    std::printf("%-28s %10.1f %12s %10s\n", "  Keystead beyond the floor", cpu - floor, "", "< 10");
    std::printf("%-28s %10zu %12s %10s\n", "vendor calls while idle", calls, "-", "0");
    std::printf("(idle for %lu s; handles %ld -> %ld, threads %ld -> %ld)\n", idleMs / 1000,
                before.handles, after.handles, before.threads, after.threads);
    app.Kill();
    return cpu - floor < 10 && calls == 0 ? 0 : 1;
}
