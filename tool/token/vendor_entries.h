// The vendor token library's entry points, bound by name at start-up into TokenApi: for
// tool/token alone. Everything else reaches a token through a TokenSession, which holds the
// library and the lock bracket for as long as it calls.
//
// All entry points are plain C functions (__cdecl: the caller pops the arguments) returning a
// 32-bit status. The convention is written out on every type: a 32-bit build that called them
// as WINAPI functions would leave the stack unbalanced after every call.
#pragma once

#ifndef KEYSTEAD_TOKEN_LAYER
#error "the vendor's entry points are reached only inside tool/token: use a TokenSession"
#endif

#include "token_api.h"

#include <windows.h>

#include <cstdint>

// The 25 entry points in binding order, each named as the library exports it and as TokenApi
// calls it: the binding and the report's look for missing ones both go through this list.
#define KEYSTEAD_VENDOR_ENTRIES(ENTRY)                                                             \
    ENTRY(ZQ_OpenDev)                                                                              \
    ENTRY(ZQ_CloseDev)                                                                             \
    ENTRY(ZQ_ListAllDev)                                                                           \
    ENTRY(ZQ_TokenListContainer)                                                                   \
    ENTRY(ZQPro_GetSn)                                                                             \
    ENTRY(ZQ_TokenGetCertSize)                                                                     \
    ENTRY(ZQ_TokenGetCert)                                                                         \
    ENTRY(ZQM1_ChangePIN)                                                                          \
    ENTRY(ZQpro_GetPinTime)                                                                        \
    ENTRY(ZQpro_ReloadPin)                                                                         \
    ENTRY(ClearPinFromMem)                                                                         \
    ENTRY(LockUKey)                                                                                \
    ENTRY(UnlockUKey)                                                                              \
    ENTRY(ZQ_TokenCreateCon)                                                                       \
    ENTRY(ZQ_TokenImportRsaKeyObj)                                                                 \
    ENTRY(ZQ_TokenWrtCert)                                                                         \
    ENTRY(ZQ_SelectDev)                                                                            \
    ENTRY(ZQ_CreateResource)                                                                       \
    ENTRY(ZQpro_InitDynamicCode)                                                                   \
    ENTRY(ZQpro_IsSupportDynamicCode)                                                              \
    ENTRY(ZQpro_RemoveDynamicCode)                                                                 \
    ENTRY(ZQ_ToKenVerifySo)                                                                        \
    ENTRY(ZQ_ToKenVerifyUser)                                                                      \
    ENTRY(ZQ_IsDefaultPin)                                                                         \
    ENTRY(ZQ_ToKenChangeUser)

// Entry points Keystead binds but never calls; their arguments are not part of the contract.
typedef std::int32_t(__cdecl* UncalledTokenEntry)();

struct TokenApi {
    std::int32_t(__cdecl* ZQ_OpenDev)(const char* name, std::int32_t nameLength,
                                      TokenHandle* handle);
    std::int32_t(__cdecl* ZQ_CloseDev)(TokenHandle handle);
    std::int32_t(__cdecl* ZQ_ListAllDev)(char* buffer, std::uint32_t* size, std::uint32_t* count);
    std::int32_t(__cdecl* ZQ_TokenListContainer)(TokenHandle handle, std::int32_t first, char* name,
                                                 ContainerInfo* info);
    std::int32_t(__cdecl* ZQPro_GetSn)(TokenHandle handle, char* serial);
    std::int32_t(__cdecl* ZQ_TokenGetCertSize)(TokenHandle handle, const unsigned char* id,
                                               std::int32_t idLength, std::uint32_t* size);
    std::int32_t(__cdecl* ZQ_TokenGetCert)(TokenHandle handle, const unsigned char* id,
                                           std::int32_t idLength, unsigned char* buffer,
                                           std::uint32_t size);
    UncalledTokenEntry ZQM1_ChangePIN;
    std::int32_t(__cdecl* ZQpro_GetPinTime)(TokenHandle handle, std::int32_t pinType,
                                            std::int32_t reserved);
    UncalledTokenEntry ZQpro_ReloadPin;
    std::int32_t(__cdecl* ClearPinFromMem)(std::int32_t a, std::int32_t b);
    std::int32_t(__cdecl* LockUKey)();
    std::int32_t(__cdecl* UnlockUKey)();
    UncalledTokenEntry ZQ_TokenCreateCon;
    UncalledTokenEntry ZQ_TokenImportRsaKeyObj;
    UncalledTokenEntry ZQ_TokenWrtCert;
    UncalledTokenEntry ZQ_SelectDev;
    UncalledTokenEntry ZQ_CreateResource;
    std::int32_t(__cdecl* ZQpro_InitDynamicCode)(TokenHandle handle, const unsigned char* serial,
                                                 std::int32_t count);
    std::int32_t(__cdecl* ZQpro_IsSupportDynamicCode)(TokenHandle handle);
    UncalledTokenEntry ZQpro_RemoveDynamicCode;
    UncalledTokenEntry ZQ_ToKenVerifySo;
    std::int32_t(__cdecl* ZQ_ToKenVerifyUser)(TokenHandle handle, const char* pin,
                                              std::int32_t length);
    std::int32_t(__cdecl* ZQ_IsDefaultPin)(TokenHandle handle);
    std::int32_t(__cdecl* ZQ_ToKenChangeUser)(TokenHandle handle, const char* oldPin,
                                              std::int32_t oldLength, const char* newPin,
                                              std::int32_t newLength);
};

// The 25 names in binding order.
extern const char* const kVendorEntryNames[25];
static_assert(sizeof(TokenApi) == 25 * sizeof(void*), "one entry a name");

// Written by BindTokenApi on the user-interface thread before any other thread exists, read
// without locking afterwards, cleared when the library is freed (TokenLibrary).
extern TokenApi g_tokenApi;

// 1 when the library at that full path is loaded and all 25 names are bound (module in
// *library); 0 otherwise, with the library released again and *library set to none.
int BindTokenApi(const char* path, HMODULE* library);
void UnbindTokenApi(HMODULE library);
