#include "bank_roots.h"

#include "platform/registry_key.h"

#include <vector>

namespace {

bool SaysCa(PCCERT_CONTEXT cert) {
    const CERT_INFO* info = cert->pCertInfo;
    if (PCERT_EXTENSION ext =
            CertFindExtension(szOID_BASIC_CONSTRAINTS2, info->cExtension, info->rgExtension)) {
        CERT_BASIC_CONSTRAINTS2_INFO basic = {};
        DWORD size = sizeof basic;
        return CryptDecodeObject(X509_ASN_ENCODING, X509_BASIC_CONSTRAINTS2, ext->Value.pbData,
                                 ext->Value.cbData, 0, &basic, &size) &&
               basic.fCA;
    }
    // The older form of the extension, still in some roots.
    if (PCERT_EXTENSION ext =
            CertFindExtension(szOID_BASIC_CONSTRAINTS, info->cExtension, info->rgExtension)) {
        DWORD size = 0;
        if (!CryptDecodeObject(X509_ASN_ENCODING, X509_BASIC_CONSTRAINTS, ext->Value.pbData,
                               ext->Value.cbData, 0, nullptr, &size) ||
            size < sizeof(CERT_BASIC_CONSTRAINTS_INFO))
            return false;
        std::vector<BYTE> decoded(size);
        if (!CryptDecodeObject(X509_ASN_ENCODING, X509_BASIC_CONSTRAINTS, ext->Value.pbData,
                               ext->Value.cbData, 0, decoded.data(), &size))
            return false;
        const auto* basic = reinterpret_cast<const CERT_BASIC_CONSTRAINTS_INFO*>(decoded.data());
        return basic->SubjectType.cbData > 0 &&
               (basic->SubjectType.pbData[0] & CERT_CA_SUBJECT_FLAG) != 0;
    }
    return false;
}

} // namespace

bool IsSelfSignedCa(PCCERT_CONTEXT cert) {
    const CERT_INFO* info = cert->pCertInfo;
    return CertCompareCertificateName(X509_ASN_ENCODING, const_cast<PCERT_NAME_BLOB>(&info->Issuer),
                                      const_cast<PCERT_NAME_BLOB>(&info->Subject)) &&
           CryptVerifyCertificateSignature(
               0, X509_ASN_ENCODING, cert->pbCertEncoded, cert->cbCertEncoded,
               const_cast<PCERT_PUBLIC_KEY_INFO>(&info->SubjectPublicKeyInfo)) &&
           SaysCa(cert);
}

std::string Sha1Thumbprint(PCCERT_CONTEXT cert) {
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size) ||
        size != sizeof hash)
        return std::string();
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (BYTE b : hash) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

RootTrust JudgeTokenRoot(PCCERT_CONTEXT cert, const std::string& thumbprint) {
    if (!IsSelfSignedCa(cert))
        return kRootNotSelfSignedCa;
    const platform::RegistryKey roots(HKEY_LOCAL_MACHINE, kBankRootsKey, KEY_QUERY_VALUE);
    DWORD values = 0;
    if (!roots.get() ||
        RegQueryInfoKeyA(roots.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        values == 0)
        return kRootNoBankList;
    // Value names compare without regard to case, as the registry does.
    return !thumbprint.empty() && RegQueryValueExA(roots.get(), thumbprint.c_str(), nullptr,
                                                   nullptr, nullptr, nullptr) == ERROR_SUCCESS
               ? kRootOnBankList
               : kRootNotOnBankList;
}

void RecordAddedRoot(const std::string& thumbprint) {
    const platform::RegistryKey added(HKEY_CURRENT_USER, kAddedRootsKey, KEY_SET_VALUE, true);
    if (added.get() && !thumbprint.empty())
        RegSetValueExA(added.get(), thumbprint.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(""), 1);
}
