#include "system_function.h"

#include <cstring>

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

} // namespace

FARPROC FindSystemFunction(const char* module, const char* name) {
    if (ActsAsAbsent(name))
        return nullptr;
    HMODULE loaded = GetModuleHandleA(module);
    return loaded ? GetProcAddress(loaded, name) : nullptr;
}
