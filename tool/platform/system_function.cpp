#include "system_function.h"

#include <cstring>

#ifdef KEYSTEAD_SHELL_VERSION
#include <shlwapi.h>
#endif

namespace {

#ifdef KEYSTEAD_ABSENT_FUNCTIONS
// A test build names here the functions it behaves as if the system lacked (space-separated).
bool ActsAsAbsent(const char* name) {
    const char* list = KEYSTEAD_ABSENT_FUNCTIONS;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool starts = at == list || at[-1] == ' ';
        const bool ends = at[length] == '\0' || at[length] == ' ';
        if (starts && ends)
            return true;
    }
    return false;
}
#else
bool ActsAsAbsent(const char*) {
    return false;
}
#endif

#ifdef KEYSTEAD_SHELL_VERSION
// A test build whose shell answers as an older one (major * 100 + minor), as 95 and NT 4.0 with
// Internet Explorer's desktop update do.
HRESULT CALLBACK OlderShellVersion(DLLVERSIONINFO* version) {
    version->dwMajorVersion = KEYSTEAD_SHELL_VERSION / 100;
    version->dwMinorVersion = KEYSTEAD_SHELL_VERSION % 100;
    version->dwBuildNumber = 0;
    version->dwPlatformID = DLLVER_PLATFORM_WINDOWS;
    return S_OK;
}
#endif

} // namespace

FARPROC FindSystemFunction(const char* module, const char* name) {
    if (ActsAsAbsent(name))
        return nullptr;
#ifdef KEYSTEAD_SHELL_VERSION
    if (std::strcmp(name, "DllGetVersion") == 0 && lstrcmpiA(module, "shell32.dll") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(OlderShellVersion));
#endif
    HMODULE loaded = GetModuleHandleA(module);
    return loaded ? GetProcAddress(loaded, name) : nullptr;
}
