#include "vendor_entries.h"

#include <type_traits>

TokenApi g_tokenApi;

const char* const kVendorEntryNames[25] = {"ZQ_OpenDev",
                                           "ZQ_CloseDev",
                                           "ZQ_ListAllDev",
                                           "ZQ_TokenListContainer",
                                           "ZQPro_GetSn",
                                           "ZQ_TokenGetCertSize",
                                           "ZQ_TokenGetCert",
                                           "ZQM1_ChangePIN",
                                           "ZQpro_GetPinTime",
                                           "ZQpro_ReloadPin",
                                           "ClearPinFromMem",
                                           "LockUKey",
                                           "UnlockUKey",
                                           "ZQ_TokenCreateCon",
                                           "ZQ_TokenImportRsaKeyObj",
                                           "ZQ_TokenWrtCert",
                                           "ZQ_SelectDev",
                                           "ZQ_CreateResource",
                                           "ZQpro_InitDynamicCode",
                                           "ZQpro_IsSupportDynamicCode",
                                           "ZQpro_RemoveDynamicCode",
                                           "ZQ_ToKenVerifySo",
                                           "ZQ_ToKenVerifyUser",
                                           "ZQ_IsDefaultPin",
                                           "ZQ_ToKenChangeUser"};

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
    const bool bound =
        BindEntry(module, "ZQ_OpenDev", &api.ZQ_OpenDev) &&
        BindEntry(module, "ZQ_CloseDev", &api.ZQ_CloseDev) &&
        BindEntry(module, "ZQ_ListAllDev", &api.ZQ_ListAllDev) &&
        BindEntry(module, "ZQ_TokenListContainer", &api.ZQ_TokenListContainer) &&
        BindEntry(module, "ZQPro_GetSn", &api.ZQPro_GetSn) &&
        BindEntry(module, "ZQ_TokenGetCertSize", &api.ZQ_TokenGetCertSize) &&
        BindEntry(module, "ZQ_TokenGetCert", &api.ZQ_TokenGetCert) &&
        BindEntry(module, "ZQM1_ChangePIN", &api.ZQM1_ChangePIN) &&
        BindEntry(module, "ZQpro_GetPinTime", &api.ZQpro_GetPinTime) &&
        BindEntry(module, "ZQpro_ReloadPin", &api.ZQpro_ReloadPin) &&
        BindEntry(module, "ClearPinFromMem", &api.ClearPinFromMem) &&
        BindEntry(module, "LockUKey", &api.LockUKey) &&
        BindEntry(module, "UnlockUKey", &api.UnlockUKey) &&
        BindEntry(module, "ZQ_TokenCreateCon", &api.ZQ_TokenCreateCon) &&
        BindEntry(module, "ZQ_TokenImportRsaKeyObj", &api.ZQ_TokenImportRsaKeyObj) &&
        BindEntry(module, "ZQ_TokenWrtCert", &api.ZQ_TokenWrtCert) &&
        BindEntry(module, "ZQ_SelectDev", &api.ZQ_SelectDev) &&
        BindEntry(module, "ZQ_CreateResource", &api.ZQ_CreateResource) &&
        BindEntry(module, "ZQpro_InitDynamicCode", &api.ZQpro_InitDynamicCode) &&
        BindEntry(module, "ZQpro_IsSupportDynamicCode", &api.ZQpro_IsSupportDynamicCode) &&
        BindEntry(module, "ZQpro_RemoveDynamicCode", &api.ZQpro_RemoveDynamicCode) &&
        BindEntry(module, "ZQ_ToKenVerifySo", &api.ZQ_ToKenVerifySo) &&
        BindEntry(module, "ZQ_ToKenVerifyUser", &api.ZQ_ToKenVerifyUser) &&
        BindEntry(module, "ZQ_IsDefaultPin", &api.ZQ_IsDefaultPin) &&
        BindEntry(module, "ZQ_ToKenChangeUser", &api.ZQ_ToKenChangeUser);
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
