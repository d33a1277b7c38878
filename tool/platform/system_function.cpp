#include "system_function.h"

FARPROC FindSystemFunction(const char* module, const char* name) {
#if KEYSTEAD_SYSTEM_LACKS_LOOKUPS
    // The test build that behaves as on Windows 95 and NT 4.0, which lack all of them.
    (void)module;
    (void)name;
    return nullptr;
#else
    HMODULE loaded = GetModuleHandleA(module);
    return loaded ? GetProcAddress(loaded, name) : nullptr;
#endif
}
