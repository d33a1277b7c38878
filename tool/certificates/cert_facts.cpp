#include "cert_facts.h"
#include "platform/format_text.h"

#include "bank_roots.h"
#include "cert_store.h"
#include "expiry_rules.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::int64_t ToInt64(const FILETIME& time) {
    return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::string TimeText(const FILETIME& time) {
    SYSTEMTIME at;
    if (!FileTimeToSystemTime(&time, &at))
        return std::string();
    char text[40];
    platform::FormatText(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", at.wYear,
                         at.wMonth, at.wDay, at.wHour, at.wMinute, at.wSecond);
    return text;
}

// The name's common name, in the ANSI code page; empty when it has none.
std::string CommonName(const CERT_NAME_BLOB& name) {
    DWORD size = 0;
    if (!CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, name.pbData, name.cbData, 0, nullptr,
                           &size) ||
        size < sizeof(CERT_NAME_INFO))
        return std::string();
    std::vector<BYTE> decoded(size);
    if (!CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, name.pbData, name.cbData, 0,
                           decoded.data(), &size))
        return std::string();
    PCERT_RDN_ATTR attr =
        CertFindRDNAttr(szOID_COMMON_NAME, reinterpret_cast<PCERT_NAME_INFO>(decoded.data()));
    if (!attr)
        return std::string();
    char text[256];
    std::memset(text, 0, sizeof text);
    CertRDNValueToStrA(attr->dwValueType, &attr->Value, text, sizeof text);
    text[sizeof text - 1] = '\0';
    return text;
}

bool SameWideText(const wchar_t* stored, const char* expected) {
    wchar_t wide[256];
    ToWideName(expected, wide);
    return stored && std::wcscmp(stored, wide) == 0;
}

} // namespace

std::int64_t CurrentFileTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ToInt64(now);
}

bool DescribeCertificate(const unsigned char* der, std::int32_t length, CertificateFacts* facts) {
    if (length <= 0)
        return false;
    CertContext cert(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der,
                                                  static_cast<DWORD>(length)));
    if (!cert.get())
        return false;
    const CERT_INFO* info = cert.get()->pCertInfo;
    facts->subject = CommonName(info->Subject);
    facts->issuer = CommonName(info->Issuer);
    facts->serialNumber.clear();
    // Stored least significant byte first.
    for (DWORD i = info->SerialNumber.cbData; i > 0; --i) {
        char hex[4];
        platform::FormatText(hex, sizeof hex, "%02X", info->SerialNumber.pbData[i - 1]);
        facts->serialNumber += hex;
    }
    facts->validFrom = TimeText(info->NotBefore);
    facts->validUntil = TimeText(info->NotAfter);
    facts->daysLeft = expiry::DaysLeft(ToInt64(info->NotAfter), CurrentFileTime());
    facts->thumbprint = Sha1Thumbprint(cert.get());
    return true;
}

int RootTrustOf(const unsigned char* der, std::int32_t length) {
    if (length <= 0)
        return kRootNotSelfSignedCa;
    CertContext cert(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der,
                                                  static_cast<DWORD>(length)));
    return cert.get() ? JudgeTokenRoot(cert.get(), Sha1Thumbprint(cert.get()))
                      : kRootNotSelfSignedCa;
}

int StoreHoldingOf(const unsigned char* der, std::int32_t length, const char* containerName,
                   std::uint8_t usage, bool root) {
    if (length <= 0)
        return kNotInStore;
    CertContext cert(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der,
                                                  static_cast<DWORD>(length)));
    SystemStore store(root ? "ROOT" : "MY");
    if (!cert.get() || !store.get())
        return kNotInStore;
    CertContext there(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                 CERT_FIND_EXISTING, cert.get(), nullptr));
    if (!there.get())
        return kNotInStore;
    if (root)
        return kInStoreRightly;
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(there.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr,
                                           &size) ||
        size < sizeof(CRYPT_KEY_PROV_INFO))
        return kInStoreOtherwise;
    std::vector<BYTE> buffer(size);
    if (!CertGetCertificateContextProperty(there.get(), CERT_KEY_PROV_INFO_PROP_ID, buffer.data(),
                                           &size))
        return kInStoreOtherwise;
    const auto* prov = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    const DWORD keySpec = usage == 1 ? AT_KEYEXCHANGE : AT_SIGNATURE;
    return SameWideText(prov->pwszProvName, kTokenProviderName) &&
                   SameWideText(prov->pwszContainerName, containerName) &&
                   prov->dwProvType == PROV_RSA_FULL && prov->dwKeySpec == keySpec
               ? kInStoreRightly
               : kInStoreOtherwise;
}
