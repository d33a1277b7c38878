// The vendor token library "ZQCSP.dll", bound by name at start-up into TokenApi. All entry
// points are plain C functions (__cdecl: the caller pops the arguments) returning a 32-bit
// status. The convention is written out on every type: a 32-bit build that called them as
// WINAPI functions would leave the stack unbalanced after every call.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

typedef std::uint32_t TokenHandle; // opaque; 0 means "not open"

// Identifies one certificate on the token; only the library knows what the bytes mean.
struct CertRef {
    unsigned char id[128];
    std::int32_t idLength;
    std::uint32_t reserved;
};
static_assert(sizeof(CertRef) == 136, "CertRef is 136 bytes on the token's side");

// One key container as ZQ_TokenListContainer describes it.
struct ContainerInfo {
    CertRef signature; // CertRef A; for the bank root container its only certificate
    unsigned char reserved1[272];
    CertRef encryption; // CertRef B
    unsigned char reserved2[276];
};
static_assert(sizeof(ContainerInfo) == 820, "ContainerInfo is 820 bytes on the token's side");
static_assert(offsetof(ContainerInfo, encryption) == 408, "CertRef B sits at offset 408");

// Statuses Keystead tells apart; everything else is a failure.
constexpr std::int32_t kTokenOk = 0;
constexpr std::int32_t kTokenNoMoreContainers = 3;
constexpr std::int32_t kTokenSwSuccess = 0x9000;
constexpr std::int32_t kTokenSwAlreadyBound = 0x6A89;

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

// Written once by BindTokenApi on the user-interface thread before any other thread exists,
// read without locking afterwards.
extern TokenApi g_tokenApi;

// 1 when "ZQCSP.dll" is loaded and all 25 names are bound (module in *library); 0 otherwise,
// with the library released again and *library set to none.
int BindTokenApi(HMODULE* library);
void UnbindTokenApi(HMODULE library);
