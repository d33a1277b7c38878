#include "cert_registration.h"

#include "bank_roots.h"
#include "cert_store.h"
#include <string>
#include "token/root_container.h"

#include <cstring>

int RegisterCertificate(const char* containerName, const unsigned char* certificate,
                        std::int32_t length, std::uint8_t usage) {
    const bool root = std::strcmp(containerName, kRootContainerName) == 0;
    SystemStore store(root ? "ROOT" : "MY");
    if (!store.get())
        return kStoreNotOpened;

    char provider[128];
    std::memset(provider, 0, sizeof provider);
    std::strncpy(provider, root ? kRootProviderName : kTokenProviderName, sizeof provider - 1);
    wchar_t providerW[256];
    wchar_t containerW[256];
    ToWideName(provider, providerW);
    ToWideName(containerName, containerW);

    CRYPT_KEY_PROV_INFO info;
    info.pwszContainerName = containerW;
    info.pwszProvName = providerW;
    info.dwProvType = PROV_RSA_FULL;
    info.dwFlags = 0;
    info.cProvParam = 0;
    info.rgProvParam = nullptr;
    info.dwKeySpec = usage == 1 ? AT_KEYEXCHANGE : AT_SIGNATURE;

    if (length < 0)
        return kNotACertificate;
    CertContext context(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                     certificate, static_cast<DWORD>(length)));
    if (!context.get())
        return kNotACertificate;
    std::string thumbprint;
    if (root) {
        thumbprint = Sha1Thumbprint(context.get());
        if (JudgeTokenRoot(context.get(), thumbprint) != kRootOnBankList)
            return kNotTrustedRoot;
        // Added once: a root already there (the user's own, or added before) is left alone,
        // and not recorded as Keystead's.
        CertContext there(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                     CERT_FIND_EXISTING, context.get(), nullptr));
        if (there.get())
            return kAlreadyInStore;
    }
    if (!CertSetCertificateContextProperty(context.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info))
        return kNotAdded;
    if (CertAddCertificateContextToStore(store.get(), context.get(), CERT_STORE_ADD_ALWAYS,
                                         nullptr) == TRUE) {
        if (root)
            RecordAddedRoot(thumbprint);
        return kRegistered;
    }
    return GetLastError() == static_cast<DWORD>(CRYPT_E_EXISTS) ? kAlreadyInStore : kNotAdded;
}
