// ZQ_CSP.dll: the provider library CryptoAPI loads. Every entry point hands its arguments to the
// vendor library's entry point of the same ordinal and returns its verdict as exactly TRUE or
// FALSE. Nothing runs after the vendor returns except the normalisation, so the vendor's
// last-error value reaches the caller as the vendor left it.
#include "cp_interface.h"

extern "C" {

// The vendor library's entry points, bound by ordinal through the import library.
#define KEYSTEAD_DECLARE_VENDOR(ordinal, name, params, args)                                       \
    __declspec(dllimport) BOOL WINAPI Vendor_##name params;
KEYSTEAD_CP_ENTRY_POINTS(KEYSTEAD_DECLARE_VENDOR)
#undef KEYSTEAD_DECLARE_VENDOR

#define KEYSTEAD_FORWARD(ordinal, name, params, args)                                              \
    BOOL WINAPI name params {                                                                      \
        return Vendor_##name args ? TRUE : FALSE;                                                  \
    }
KEYSTEAD_CP_ENTRY_POINTS(KEYSTEAD_FORWARD)
#undef KEYSTEAD_FORWARD

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

} // extern "C"
