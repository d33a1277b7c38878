// The stand-in's provider entry points, reached by ordinal through ZQ_CSP.dll (and by name when
// the stand-in is registered as a provider of its own). The cryptography is the platform's RSA
// provider's: every context owns a verify context there, and a token container's key pairs are
// imported into it from the rig, so the keys behind the token's certificates really sign.
// Key and hash handles are the platform's own.
#include "core/key_containers.h"
#include "provider/cp_interface.h"
#include "sim_host.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

using zqsim::SimHost;

namespace {

struct ProviderContext {
    HCRYPTPROV platform = 0;
    std::string serial;    // the token holding the container; empty for a verify context
    std::string container; // its name
    std::string provName;  // the name CryptoAPI acquired this provider under
};

// Contexts this library handed out; anything else is not a context of ours.
class ContextTable {
  public:
    void Add(ProviderContext* context) {
        std::lock_guard<std::mutex> guard(mutex_);
        live_.insert(context);
    }
    bool Remove(ProviderContext* context) {
        std::lock_guard<std::mutex> guard(mutex_);
        return live_.erase(context) == 1;
    }
    ProviderContext* Find(HCRYPTPROV handle) {
        auto* context = reinterpret_cast<ProviderContext*>(handle);
        std::lock_guard<std::mutex> guard(mutex_);
        if (live_.count(context))
            return context;
        SetLastError(static_cast<DWORD>(NTE_BAD_UID));
        return nullptr;
    }

  private:
    std::mutex mutex_;
    std::set<ProviderContext*> live_;
};

ContextTable& Contexts() {
    static ContextTable table;
    return table;
}

BOOL Fail(HRESULT error) {
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
}

// Logging keeps the caller's last-error value: the caller reads it after we return.
void Log(const char* function, BOOL result, const std::string& container) {
    const DWORD error = GetLastError();
    SimHost::Get().LogCall(function, result ? 1 : 0, container.c_str(),
                           static_cast<std::int32_t>(container.size()));
    SetLastError(error);
}

std::string BoundedText(const char* text, std::size_t limit) {
    if (!text)
        return std::string();
    std::size_t n = 0;
    while (n < limit && text[n])
        ++n;
    return std::string(text, n);
}

// The usual CryptoAPI size protocol for a text parameter.
BOOL ReturnText(const std::string& text, LPBYTE data, LPDWORD length) {
    if (!length)
        return Fail(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (!data) {
        *length = needed;
        return TRUE;
    }
    if (*length < needed) {
        *length = needed;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::memcpy(data, text.c_str(), needed);
    *length = needed;
    return TRUE;
}

bool ImportTokenKey(HCRYPTPROV platform, const std::vector<std::uint8_t>& blob) {
    if (blob.empty())
        return true;
    HCRYPTKEY key = 0;
    if (!CryptImportKey(platform, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &key))
        return false;
    CryptDestroyKey(key); // the pair stays installed in the context for its usage
    return true;
}

BOOL AcquireTokenContainer(ProviderContext* context, LPCSTR name) {
    zqsim::KeyContainerRef found;
    if (!zqsim::FindKeyContainer(SimHost::Get().model().rig(), BoundedText(name, 127), &found))
        return Fail(NTE_BAD_KEYSET);
    context->serial = found.serial;
    context->container = found.container;
    if (!ImportTokenKey(context->platform, found.signKey) ||
        !ImportTokenKey(context->platform, found.exchKey))
        return Fail(NTE_KEYSET_ENTRY_BAD);
    return TRUE;
}

bool OnToken(const ProviderContext* context) {
    return !context->serial.empty();
}

// A token key is used only while its token is plugged in.
bool TokenStillThere(const ProviderContext* context) {
    if (!OnToken(context))
        return true;
    if (zqsim::KeyContainerPresent(SimHost::Get().model().rig(), context->serial,
                                   context->container))
        return true;
    SetLastError(static_cast<DWORD>(SCARD_W_REMOVED_CARD));
    return false;
}

// A key pair generated in a token container goes onto the token, and is not exportable
// unless the caller asked for that.
BOOL GenerateTokenKeyPair(ProviderContext* context, ALG_ID algid, DWORD flags, HCRYPTKEY* key) {
    if (!TokenStillThere(context))
        return FALSE;
    HCRYPTKEY generated = 0;
    if (!CryptGenKey(context->platform, algid, flags | CRYPT_EXPORTABLE, &generated))
        return FALSE;
    DWORD size = 0;
    std::vector<std::uint8_t> blob;
    bool stored = CryptExportKey(generated, 0, PRIVATEKEYBLOB, 0, nullptr, &size);
    if (stored) {
        blob.resize(size);
        stored = CryptExportKey(generated, 0, PRIVATEKEYBLOB, 0, blob.data(), &size);
        blob.resize(size);
    }
    CryptDestroyKey(generated);
    stored = stored && zqsim::StoreContainerKey(
                           SimHost::Get().model().rig(), SimHost::Get().fileLock(), context->serial,
                           context->container, algid == AT_KEYEXCHANGE ? 1 : 2, blob);
    BOOL ok =
        stored && CryptImportKey(context->platform, blob.data(), static_cast<DWORD>(blob.size()), 0,
                                 flags & CRYPT_EXPORTABLE, key);
    SecureZeroMemory(blob.data(), blob.size());
    return ok ? TRUE : Fail(stored ? NTE_FAIL : SCARD_W_REMOVED_CARD);
}

} // namespace

extern "C" {

BOOL WINAPI CPAcquireContext(HCRYPTPROV* phProv, LPCSTR szContainer, DWORD dwFlags,
                             PVTableProvStruc pVTable) {
    const DWORD known = CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET |
                        CRYPT_MACHINE_KEYSET | CRYPT_SILENT;
    if (!phProv)
        return Fail(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
    if (dwFlags & ~known)
        return Fail(NTE_BAD_FLAGS);
    // The token's containers are made and removed by the token's own tools.
    if (!(dwFlags & CRYPT_VERIFYCONTEXT) && (dwFlags & (CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET)))
        return Fail(NTE_PERM);

    auto context = std::make_unique<ProviderContext>();
    if (pVTable)
        context->provName = BoundedText(pVTable->pszProvName, 255);
    if (!CryptAcquireContextA(&context->platform, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return FALSE;
    BOOL ok =
        (dwFlags & CRYPT_VERIFYCONTEXT) ? TRUE : AcquireTokenContainer(context.get(), szContainer);
    if (!ok) {
        const DWORD error = GetLastError();
        CryptReleaseContext(context->platform, 0);
        SetLastError(error);
        Log("CPAcquireContext", FALSE, BoundedText(szContainer, 127));
        return FALSE;
    }
    Log("CPAcquireContext", TRUE, context->container);
    Contexts().Add(context.get());
    *phProv = reinterpret_cast<HCRYPTPROV>(context.release());
    return TRUE;
}

BOOL WINAPI CPReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
    ProviderContext* context = Contexts().Find(hProv);
    if (!context)
        return FALSE;
    if (dwFlags)
        return Fail(NTE_BAD_FLAGS);
    if (!Contexts().Remove(context))
        return Fail(NTE_BAD_UID);
    const std::string container = context->container;
    CryptReleaseContext(context->platform, 0);
    delete context;
    Log("CPReleaseContext", TRUE, container);
    return TRUE;
}

BOOL WINAPI CPGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey) {
    ProviderContext* c = Contexts().Find(hProv);
    if (!c)
        return FALSE;
    if (OnToken(c) && (Algid == AT_SIGNATURE || Algid == AT_KEYEXCHANGE))
        return GenerateTokenKeyPair(c, Algid, dwFlags, phKey);
    return CryptGenKey(c->platform, Algid, dwFlags, phKey);
}

BOOL WINAPI CPDeriveKey(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTHASH hBaseData, DWORD dwFlags,
                        HCRYPTKEY* phKey) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && CryptDeriveKey(c->platform, Algid, hBaseData, dwFlags, phKey);
}

BOOL WINAPI CPDestroyKey(HCRYPTPROV hProv, HCRYPTKEY hKey) {
    return Contexts().Find(hProv) && CryptDestroyKey(hKey);
}

BOOL WINAPI CPSetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData,
                          DWORD dwFlags) {
    return Contexts().Find(hProv) && CryptSetKeyParam(hKey, dwParam, pbData, dwFlags);
}

BOOL WINAPI CPGetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, LPBYTE pbData,
                          LPDWORD pcbDataLen, DWORD dwFlags) {
    return Contexts().Find(hProv) && CryptGetKeyParam(hKey, dwParam, pbData, pcbDataLen, dwFlags);
}

BOOL WINAPI CPExportKey(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTKEY hPubKey, DWORD dwBlobType,
                        DWORD dwFlags, LPBYTE pbData, LPDWORD pcbDataLen) {
    return Contexts().Find(hProv) &&
           CryptExportKey(hKey, hPubKey, dwBlobType, dwFlags, pbData, pcbDataLen);
}

BOOL WINAPI CPImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD cbDataLen, HCRYPTKEY hPubKey,
                        DWORD dwFlags, HCRYPTKEY* phKey) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && CryptImportKey(c->platform, pbData, cbDataLen, hPubKey, dwFlags, phKey);
}

BOOL WINAPI CPEncrypt(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal,
                      DWORD dwFlags, LPBYTE pbData, LPDWORD pcbDataLen, DWORD cbBufLen) {
    return Contexts().Find(hProv) &&
           CryptEncrypt(hKey, hHash, fFinal, dwFlags, pbData, pcbDataLen, cbBufLen);
}

BOOL WINAPI CPDecrypt(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal,
                      DWORD dwFlags, LPBYTE pbData, LPDWORD pcbDataLen) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && TokenStillThere(c) &&
           CryptDecrypt(hKey, hHash, fFinal, dwFlags, pbData, pcbDataLen);
}

BOOL WINAPI CPCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                         HCRYPTHASH* phHash) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && CryptCreateHash(c->platform, Algid, hKey, dwFlags, phHash);
}

BOOL WINAPI CPHashData(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbData, DWORD cbDataLen,
                       DWORD dwFlags) {
    return Contexts().Find(hProv) && CryptHashData(hHash, pbData, cbDataLen, dwFlags);
}

BOOL WINAPI CPHashSessionKey(HCRYPTPROV hProv, HCRYPTHASH hHash, HCRYPTKEY hKey, DWORD dwFlags) {
    return Contexts().Find(hProv) && CryptHashSessionKey(hHash, hKey, dwFlags);
}

BOOL WINAPI CPDestroyHash(HCRYPTPROV hProv, HCRYPTHASH hHash) {
    return Contexts().Find(hProv) && CryptDestroyHash(hHash);
}

BOOL WINAPI CPSignHash(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR szDescription,
                       DWORD dwFlags, LPBYTE pbSignature, LPDWORD pcbSigLen) {
    ProviderContext* c = Contexts().Find(hProv);
    if (!c)
        return FALSE;
    BOOL ok = TokenStillThere(c) &&
              CryptSignHashW(hHash, dwKeySpec, szDescription, dwFlags, pbSignature, pcbSigLen);
    if (pbSignature) // a size query is not a use of the key
        Log("CPSignHash", ok, c->container);
    return ok;
}

BOOL WINAPI CPVerifySignature(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbSignature,
                              DWORD cbSigLen, HCRYPTKEY hPubKey, LPCWSTR szDescription,
                              DWORD dwFlags) {
    return Contexts().Find(hProv) &&
           CryptVerifySignatureW(hHash, pbSignature, cbSigLen, hPubKey, szDescription, dwFlags);
}

BOOL WINAPI CPGenRandom(HCRYPTPROV hProv, DWORD cbLen, LPBYTE pbBuffer) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && CryptGenRandom(c->platform, cbLen, pbBuffer);
}

BOOL WINAPI CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && TokenStillThere(c) && CryptGetUserKey(c->platform, dwKeySpec, phUserKey);
}

BOOL WINAPI CPSetProvParam(HCRYPTPROV hProv, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) {
    ProviderContext* c = Contexts().Find(hProv);
    return c && CryptSetProvParam(c->platform, dwParam, pbData, dwFlags);
}

BOOL WINAPI CPGetProvParam(HCRYPTPROV hProv, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen,
                           DWORD dwFlags) {
    ProviderContext* c = Contexts().Find(hProv);
    if (!c)
        return FALSE;
    switch (dwParam) {
    case PP_NAME:
        return ReturnText(c->provName, pbData, pcbDataLen);
    case PP_CONTAINER:
    case PP_UNIQUE_CONTAINER:
        return ReturnText(c->container, pbData, pcbDataLen);
    default:
        return CryptGetProvParam(c->platform, dwParam, pbData, pcbDataLen, dwFlags);
    }
}

BOOL WINAPI CPSetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData,
                           DWORD dwFlags) {
    return Contexts().Find(hProv) && CryptSetHashParam(hHash, dwParam, pbData, dwFlags);
}

BOOL WINAPI CPGetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, LPBYTE pbData,
                           LPDWORD pcbDataLen, DWORD dwFlags) {
    return Contexts().Find(hProv) && CryptGetHashParam(hHash, dwParam, pbData, pcbDataLen, dwFlags);
}

BOOL WINAPI CPDuplicateHash(HCRYPTPROV hUID, HCRYPTHASH hHash, LPDWORD pdwReserved, DWORD dwFlags,
                            HCRYPTHASH* phHash) {
    return Contexts().Find(hUID) && CryptDuplicateHash(hHash, pdwReserved, dwFlags, phHash);
}

BOOL WINAPI CPDuplicateKey(HCRYPTPROV hUID, HCRYPTKEY hKey, LPDWORD pdwReserved, DWORD dwFlags,
                           HCRYPTKEY* phKey) {
    return Contexts().Find(hUID) && CryptDuplicateKey(hKey, pdwReserved, dwFlags, phKey);
}

} // extern "C"
