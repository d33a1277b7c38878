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
    return (SystemVersion() & 0xFF) == 6;
}

} // namespace platform
