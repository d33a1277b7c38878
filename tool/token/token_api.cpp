#include "vendor_entries.h"

#include <type_traits>

TokenApi g_tokenApi;

#define KEYSTEAD_ENTRY_NAME(name) #name,
const char* const kVendorEntryNames[25] = {KEYSTEAD_VENDOR_ENTRIES(KEYSTEAD_ENTRY_NAME)};
#undef KEYSTEAD_ENTRY_NAME

namespace {

// A pointer to a __cdecl function. In a 32-bit build the convention is part of the function's
// type, so a WINAPI (__stdcall) entry type would not match; 64-bit Windows has one convention.
template <typename Entry> struct IsCdeclEntry : std::false_type {};
template <typename Result, typename... Args>
struct IsCdeclEntry<Result(__cdecl*)(Args...)> : std::true_type {};
static_assert(sizeof(void*) != 4 || !IsCdeclEntry<std::int32_t(WINAPI*)(TokenHandle)>::value,
              "the 32-bit build tells the two conventions apart");

template <typename Entry> bool BindEntry(HMODULE library, const char* name, Entry* slot) {
    static_assert(IsCdeclEntry<Entry>::value, "vendor entry points are __cdecl functions");
    FARPROC found = GetProcAddress(library, name);
    if (!found)
        return false;
    // Through void(*)() because FARPROC and the entry types differ by design.
    *slot = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(found));
    return true;
}

} // namespace

int BindTokenApi(const char* path, HMODULE* library) {
    // What the library itself needs is looked for beside it first.
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        *library = nullptr;
        return 0;
    }
    TokenApi& api = g_tokenApi;
    // Each name into its own entry, in order; the first one missing ends the binding.
#define KEYSTEAD_BIND_ENTRY(name) BindEntry(module, #name, &api.name)&&
    const bool bound = KEYSTEAD_VENDOR_ENTRIES(KEYSTEAD_BIND_ENTRY) true;
#undef KEYSTEAD_BIND_ENTRY
    if (!bound) {
        FreeLibrary(module);
        *library = nullptr;
        return 0;
    }
    *library = module;
    return 1;
}

void UnbindTokenApi(HMODULE library) {
    if (library)
        FreeLibrary(library);
}
