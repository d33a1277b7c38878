#include "shell_version.h"

#include "system_function.h"

#include <windows.h>
#include <shlwapi.h>

namespace platform {

bool ShellShowsBalloons() {
    typedef HRESULT CALLBACK VersionQuery(DLLVERSIONINFO*);
    VersionQuery* query = FindSystemFunction<VersionQuery>("shell32.dll", "DllGetVersion");
    if (!query)
        return false;
    DLLVERSIONINFO version;
    ZeroMemory(&version, sizeof version);
    version.cbSize = sizeof version;
    return SUCCEEDED(query(&version)) && version.dwMajorVersion >= 5;
}

} // namespace platform
