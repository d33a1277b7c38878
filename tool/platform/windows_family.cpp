#include "windows_family.h"

#include <windows.h>

namespace platform {
namespace {

DWORD SystemVersion() {
    return GetVersion();
}

} // namespace

bool IsWindows9xFamily() {
    return (SystemVersion() & 0x80000000u) != 0;
}

bool IsVistaFamily() {
    // Windows 10 and 11 say 10 to a program whose manifest names them, 8.1 says 6.3.
    const DWORD version = SystemVersion();
    return (version & 0x80000000u) == 0 && (version & 0xFF) >= 6;
}

} // namespace platform
