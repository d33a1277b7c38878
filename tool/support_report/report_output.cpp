#include "report_output.h"
#include "platform/format_text.h"

#include "platform/owned_handle.h"
#include "platform/system_function.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace support_report {
namespace {

struct FileTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle file) { CloseHandle(file); }
};
using FileHandle = platform::OwnedHandle<FileTraits>;

bool WriteWhole(HANDLE handle, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        DWORD now = 0;
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(text.size() - written, 1u << 16));
        if (!WriteFile(handle, text.data() + written, chunk, &now, nullptr) || now == 0)
            return false;
        written += now;
    }
    return true;
}

std::string DocumentsFolder() {
    LPITEMIDLIST list = nullptr;
    char path[MAX_PATH + 1];
    std::memset(path, 0, sizeof path);
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list)) && list) {
        if (!SHGetPathFromIDListA(list, path))
            path[0] = '\0';
        IMalloc* malloc = nullptr;
        if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
            malloc->Free(list);
            malloc->Release();
        }
    }
    if (path[0] == '\0' && GetTempPathA(MAX_PATH, path) == 0)
        path[0] = '\0';
    std::string folder = path;
    if (!folder.empty() && folder[folder.size() - 1] == '\\')
        folder.erase(folder.size() - 1);
    return folder;
}

} // namespace

bool WriteReportFile(const std::string& path, const std::string& text) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.get() != INVALID_HANDLE_VALUE && WriteWhole(file.get(), text);
}

bool WriteToStandardOutput(const std::string& text) {
    const HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
    if (given && given != INVALID_HANDLE_VALUE)
        return WriteWhole(given, text);
    typedef BOOL WINAPI Attach(DWORD);
    Attach* attach = FindSystemFunction<Attach>("kernel32.dll", "AttachConsole");
    if (!attach || !attach(ATTACH_PARENT_PROCESS))
        return false;
    FileHandle console(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    return console.get() != INVALID_HANDLE_VALUE && WriteWhole(console.get(), text);
}

std::string ReportPathInDocuments() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    platform::FormatText(name, sizeof name, "\\Keystead report %04u%02u%02u-%02u%02u%02u.txt",
                         now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    return DocumentsFolder() + name;
}

bool OpenInNotepad(const std::string& path) {
    char folder[MAX_PATH + 1];
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const std::string notepad = std::string(folder) + "\\notepad.exe";
    std::string command = "\"" + notepad + "\" \"" + path + "\"";
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    if (!CreateProcessA(notepad.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace support_report
