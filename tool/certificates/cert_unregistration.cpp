#include "cert_registration.h"

#include "cert_store.h"
#include "platform/registry_key.h"
#include "platform/system_function.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <vector>

namespace {

using StoreControl = BOOL WINAPI(HCERTSTORE, DWORD, DWORD, const void*);

bool NamesTokenProvider(PCCERT_CONTEXT cert, const wchar_t* provider) {
    DWORD size = 0;
    if (CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) !=
            TRUE ||
        size < sizeof(CRYPT_KEY_PROV_INFO))
        return false;
    // The size comes from the store; one that cannot be had is passed over, not fatal.
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
    if (!buffer ||
        !CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, buffer.get(), &size))
        return false;
    const CRYPT_KEY_PROV_INFO* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.get());
    return info->pwszProvName && std::wcscmp(info->pwszProvName, provider) == 0;
}

// The user's own registry store behind "MY", where registration puts every certificate (on
// every Windows family the system store "MY" of the current user keeps it there).
class UserRegistryStore {
  public:
    UserRegistryStore()
        : key_(HKEY_CURRENT_USER, "Software\\Microsoft\\SystemCertificates\\MY", KEY_ALL_ACCESS),
          store_(key_.open() ? CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key_.get()) : nullptr) {}

    HCERTSTORE get() const { return store_.get(); }

  private:
    // The store goes before its key.
    platform::RegistryKey key_;
    CertStore store_;
};

// Deletes a match found in "MY", through the user's registry store where the certificate lives
// there: deleting through the system store's collection keeps two registry handles and a copy
// of the store per certificate on some implementations (Wine's), which a program that rescans
// for months cannot afford. A copy elsewhere in "MY" goes through the collection.
void DeleteMatch(HCERTSTORE own, PCCERT_CONTEXT match) {
    PCCERT_CONTEXT there =
        own ? CertFindCertificateInStore(own, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                         CERT_FIND_EXISTING, match, nullptr)
            : nullptr;
    if (!there) {
        CertDeleteCertificateFromStore(match); // releases the duplicate, whatever its outcome
        return;
    }
    CertDeleteCertificateFromStore(there);
    CertFreeCertificateContext(match);
}

} // namespace

int UnregisterCertificates(const unsigned char* certificate, std::int32_t length) {
    SystemStore store("MY");
    if (!store.get())
        return 0;
    char provider[128];
    std::memset(provider, 0, sizeof provider);
    std::strncpy(provider, kTokenProviderName, sizeof provider - 1);
    wchar_t providerW[256];
    ToWideName(provider, providerW);

    const bool byEncoding = certificate != nullptr || length != 0;
    // The matches are deleted once the enumeration is over. Deleting while enumerating is
    // allowed on Windows but makes some implementations return the same certificate again and
    // again; collecting first gives the same result everywhere.
    std::vector<PCCERT_CONTEXT> matches;
    PCCERT_CONTEXT cert = nullptr;
    while ((cert = CertEnumCertificatesInStore(store.get(), cert)) != nullptr) {
        bool match = false;
        if (byEncoding) {
            match = length > 0 && certificate &&
                    cert->cbCertEncoded == static_cast<DWORD>(length) &&
                    std::memcmp(cert->pbCertEncoded, certificate, cert->cbCertEncoded) == 0;
        } else {
            match = NamesTokenProvider(cert, providerW);
        }
        if (match)
            matches.push_back(CertDuplicateCertificateContext(cert));
    }
    if (!matches.empty()) {
        const UserRegistryStore own;
        for (PCCERT_CONTEXT match : matches)
            DeleteMatch(own.get(), match);
    }
    // Windows writes a system store's deletions through at once; asking for it costs nothing
    // there and is what makes them last on implementations that cache them (Wine's). Windows
    // 2000 brought the function; before it there is nothing to ask.
    auto* commit = FindSystemFunction<StoreControl>("crypt32.dll", "CertControlStore");
    if (!matches.empty() && commit)
        commit(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    return matches.empty() ? 0 : 1;
}
