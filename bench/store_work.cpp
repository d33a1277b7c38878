#include "store_work.h"

#include <wincrypt.h>

#include <cwchar>
#include <vector>

namespace keystead_bench {
namespace {

bool NamesProvider(PCCERT_CONTEXT c, const wchar_t* provider) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return false;
    std::vector<BYTE> buffer(size);
    if (!CertGetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size))
        return false;
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    return info->pwszProvName && std::wcscmp(info->pwszProvName, provider) == 0;
}

} // namespace

void RemoveProviderCertificates(const char* store, const wchar_t* provider) {
    HCERTSTORE system = CertOpenSystemStoreA(0, store);
    std::vector<PCCERT_CONTEXT> matches;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(system, c)) != nullptr;)
        if (NamesProvider(c, provider))
            matches.push_back(CertDuplicateCertificateContext(c));
    const std::string path = std::string("Software\\Microsoft\\SystemCertificates\\") + store;
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    HCERTSTORE own = CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key);
    for (PCCERT_CONTEXT m : matches) {
        PCCERT_CONTEXT there = CertFindCertificateInStore(
            own, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_EXISTING, m, nullptr);
        if (there)
            CertDeleteCertificateFromStore(there);
        CertFreeCertificateContext(m);
    }
    CertCloseStore(own, 0);
    RegCloseKey(key);
    if (!matches.empty())
        CertControlStore(system, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    CertCloseStore(system, 0);
}

void AddWithProvider(const char* store, const unsigned char* der, DWORD length,
                     const wchar_t* provider, const wchar_t* container, DWORD keySpec) {
    HCERTSTORE target = CertOpenSystemStoreA(0, store);
    CRYPT_KEY_PROV_INFO info = {};
    info.pwszContainerName = const_cast<wchar_t*>(container);
    info.pwszProvName = const_cast<wchar_t*>(provider);
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = keySpec;
    PCCERT_CONTEXT c =
        CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der, length);
    CertSetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, 0, &info);
    CertAddCertificateContextToStore(target, c, CERT_STORE_ADD_ALWAYS, nullptr);
    CertFreeCertificateContext(c);
    CertCloseStore(target, 0);
}

} // namespace keystead_bench
