#include "library_search.h"

#include "system_function.h"

#include <windows.h>

namespace platform {
namespace {

using SetDllDirectory = BOOL WINAPI(LPCSTR);

} // namespace

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SystemFolderFile(const char* file) {
    char folder[MAX_PATH + 1];
    const DWORD length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(folder, length) + "\\" + file;
}

void TakeWorkingFolderOutOfSearch() {
    // An empty text, not null: null would give the working folder its place back.
    auto* setDllDirectory = FindSystemFunction<SetDllDirectory>("kernel32.dll", "SetDllDirectoryA");
    if (setDllDirectory)
        setDllDirectory("");
}

HMODULE LoadSystemLibrary(const char* file) {
    if (HMODULE loaded = GetModuleHandleA(file))
        return loaded;
    const std::string path = SystemFolderFile(file);
    return path.empty() ? nullptr : LoadLibraryA(path.c_str());
}

std::string TrustedLibraryPath(const char* file) {
    char folder[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::string own(folder, length);
        own = own.substr(0, own.find_last_of('\\') + 1) + file;
        if (FileExists(own))
            return own;
    }
    const std::string system = SystemFolderFile(file);
    return FileExists(system) ? system : std::string();
}

} // namespace platform
