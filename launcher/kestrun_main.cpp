// Kestrun: starts the setup program of the package that fits this Windows and waits for it.
// No window, no message, no argument read or passed on; the exit code is always 0.
//
// Kestrun is the first program a user starts from the package, on any Windows from 95 on, so it
// depends on nothing that a bare system may lack: no C runtime, only KERNEL32 and SHELL32. The
// process begins at KestrunStart, not at a runtime's start-up code.
#include "setup_choice.h"

#include <windows.h>
#include <shellapi.h>

namespace {

// The compiler may turn a clearing loop into a call to memset, which no runtime provides here,
// so records are cleared byte by byte through a volatile pointer.
template <class Record> void Clear(Record* record) {
    volatile unsigned char* byte = reinterpret_cast<volatile unsigned char*>(record);
    for (unsigned long i = 0; i < sizeof(Record); ++i)
        byte[i] = 0;
}

int IsMajorVersionAbove4() {
    OSVERSIONINFOA version;
    Clear(&version);
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
    Clear(&info);
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

extern "C" void WINAPI KestrunStart() {
    char directory[256];
    char file[256];
    char parameters[128];
    Clear(&directory);
    Clear(&file);
    Clear(&parameters);

    const kestrun::SetupPackage package = kestrun::PackageFor(IsMajorVersionAbove4());
    kestrun::CopyBounded(file, sizeof file, package.file);
    kestrun::CopyBounded(directory, sizeof directory, package.directory);
    RunAndWait(directory, file, parameters);
    ExitProcess(0);
}
