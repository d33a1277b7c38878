#include "shell_version.h"

#include "system_function.h"

#include <windows.h>
#include <shlwapi.h>

namespace platform {

ShellVersion RunningShellVersion() {
    const ShellVersion first = {4, 0};
    typedef HRESULT CALLBACK VersionQuery(DLLVERSIONINFO*);
    VersionQuery* query = FindSystemFunction<VersionQuery>("shell32.dll", "DllGetVersion");
    if (!query)
        return first;
    DLLVERSIONINFO version;
    ZeroMemory(&version, sizeof version);
    version.cbSize = sizeof version;
    if (FAILED(query(&version)))
        return first;
    return {version.dwMajorVersion, version.dwMinorVersion};
}

} // namespace platform
