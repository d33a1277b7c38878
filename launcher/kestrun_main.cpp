// Kestrun: starts the setup program of the package that fits this Windows and waits for it.
// No window, no message, no argument read or passed on; the exit code is always 0.
#include "setup_choice.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {

int IsMajorVersionAbove4() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = 148;
    const bool known = GetVersionExA(&version) != FALSE;
    return kestrun::MajorVersionAbove4(known, version.dwMajorVersion);
}

int RunAndWait(const char* directory, const char* file, const char* parameters) {
    char dir[128];
    char params[128];
    kestrun::CopyBounded(dir, sizeof dir, directory);
    kestrun::CopyBounded(params, sizeof params, parameters);

    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = 60;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = nullptr;
    info.lpFile = file;
    info.lpParameters = params;
    info.lpDirectory = dir;
    info.nShow = SW_SHOW;
    // A refusal leaves hProcess empty; there is nobody to tell, so the wait just ends.
    ShellExecuteExA(&info);
    if (info.hProcess) {
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char directory[256];
    char file[256];
    char parameters[128];
    std::memset(directory, 0, sizeof directory);
    std::memset(file, 0, sizeof file);
    std::memset(parameters, 0, sizeof parameters);

    const kestrun::SetupPackage package = kestrun::PackageFor(IsMajorVersionAbove4());
    kestrun::CopyBounded(file, sizeof file, package.file);
    kestrun::CopyBounded(directory, sizeof directory, package.directory);
    RunAndWait(directory, file, parameters);
    return 0;
}
