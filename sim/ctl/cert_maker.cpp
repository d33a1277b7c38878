#include "cert_maker.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

namespace zqsim {
namespace {

class Provider {
  public:
    Provider() = default;
    ~Provider() {
        if (handle_)
            CryptReleaseContext(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    HCRYPTPROV* out() { return &handle_; }
    HCRYPTPROV get() const { return handle_; }

  private:
    HCRYPTPROV handle_ = 0;
};

class Key {
  public:
    ~Key() {
        if (handle_)
            CryptDestroyKey(handle_);
    }
    HCRYPTKEY* out() { return &handle_; }
    HCRYPTKEY get() const { return handle_; }

  private:
    HCRYPTKEY handle_ = 0;
};

// The key pair only passes through a temporary key set; it lives on in the token file.
class TemporaryKeySet {
  public:
    TemporaryKeySet() {
        std::snprintf(name_, sizeof name_, "zqsimctl-%lu-%lu",
                      static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(++counter_));
    }
    ~TemporaryKeySet() {
        HCRYPTPROV gone = 0;
        CryptAcquireContextA(&gone, name_, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    }
    const char* name() const { return name_; }

  private:
    static unsigned long counter_;
    char name_[64];
};

unsigned long TemporaryKeySet::counter_ = 0;

std::string LastError(const char* what) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (error 0x%08lx)", what,
                  static_cast<unsigned long>(GetLastError()));
    return text;
}

// A certificate for the key of `provider` that names another issuer: signed by that key, so its
// signature is sound, but not self-signed as a root must be.
bool SignIssued(HCRYPTPROV provider, unsigned keySpec, const std::string& issuer,
                CERT_NAME_BLOB subject, const SYSTEMTIME& start, const SYSTEMTIME& end,
                CERT_EXTENSIONS& extensions, KeyAndCert* out, std::string* error) {
    const std::string x500 = "CN=" + issuer + ", O=Keystead Test Bank, C=CN";
    BYTE issuerBuffer[512];
    DWORD issuerLength = sizeof issuerBuffer;
    if (!CertStrToNameA(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, issuerBuffer,
                        &issuerLength, nullptr)) {
        *error = LastError("CertStrToName");
        return false;
    }
    DWORD keyInfoLength = 0;
    if (!CryptExportPublicKeyInfo(provider, keySpec, X509_ASN_ENCODING, nullptr, &keyInfoLength)) {
        *error = LastError("CryptExportPublicKeyInfo");
        return false;
    }
    std::vector<BYTE> keyInfo(keyInfoLength);
    if (!CryptExportPublicKeyInfo(provider, keySpec, X509_ASN_ENCODING,
                                  reinterpret_cast<PCERT_PUBLIC_KEY_INFO>(keyInfo.data()),
                                  &keyInfoLength)) {
        *error = LastError("CryptExportPublicKeyInfo");
        return false;
    }
    BYTE serial[8] = {0x4B, 0x53, 0x10, 0x20, 0x30, 0x40, 0x50, 0x61};
    CERT_INFO info = {};
    info.dwVersion = CERT_V3;
    info.SerialNumber = {sizeof serial, serial};
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    info.Issuer = {issuerLength, issuerBuffer};
    info.Subject = subject;
    SystemTimeToFileTime(&start, &info.NotBefore);
    SystemTimeToFileTime(&end, &info.NotAfter);
    info.SubjectPublicKeyInfo = *reinterpret_cast<PCERT_PUBLIC_KEY_INFO>(keyInfo.data());
    info.cExtension = extensions.cExtension;
    info.rgExtension = extensions.rgExtension;
    CRYPT_ALGORITHM_IDENTIFIER algorithm = {const_cast<char*>(szOID_RSA_SHA1RSA), {0, nullptr}};
    DWORD length = 0;
    if (!CryptSignAndEncodeCertificate(provider, keySpec, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
                                       &info, &algorithm, nullptr, nullptr, &length)) {
        *error = LastError("CryptSignAndEncodeCertificate");
        return false;
    }
    out->certificate.resize(length);
    if (!CryptSignAndEncodeCertificate(provider, keySpec, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
                                       &info, &algorithm, nullptr, out->certificate.data(),
                                       &length)) {
        *error = LastError("CryptSignAndEncodeCertificate");
        return false;
    }
    out->certificate.resize(length);
    return true;
}

// A name no X.500 text can carry (a container name with line breaks or control bytes, as a token
// may hold): the common name as a UTF-8 string, the rest as MakeKeyAndCert writes it.
bool EncodeUtf8Name(const std::string& commonName, BYTE* buffer, DWORD* length) {
    std::wstring wide(commonName.begin(), commonName.end());
    wchar_t org[] = L"Keystead Test Bank", country[] = L"CN";
    CERT_RDN_ATTR attrs[] = {
        {const_cast<char*>(szOID_COMMON_NAME),
         CERT_RDN_UTF8_STRING,
         {static_cast<DWORD>(wide.size() * sizeof(wchar_t)), reinterpret_cast<BYTE*>(&wide[0])}},
        {const_cast<char*>(szOID_ORGANIZATION_NAME),
         CERT_RDN_UTF8_STRING,
         {static_cast<DWORD>(sizeof org - sizeof(wchar_t)), reinterpret_cast<BYTE*>(org)}},
        {const_cast<char*>(szOID_COUNTRY_NAME),
         CERT_RDN_PRINTABLE_STRING,
         {static_cast<DWORD>(sizeof country - sizeof(wchar_t)), reinterpret_cast<BYTE*>(country)}},
    };
    CERT_RDN rdns[] = {{1, &attrs[0]}, {1, &attrs[1]}, {1, &attrs[2]}};
    CERT_NAME_INFO info = {3, rdns};
    return CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME, &info, buffer, length) != 0;
}

} // namespace

bool MakeKeyAndCert(const std::string& subject, unsigned keySpec, unsigned bits, bool ca,
                    unsigned padBytes, KeyAndCert* out, std::string* error,
                    const std::string& issuer, int expiresInDays) {
    TemporaryKeySet keySet;
    Provider provider;
    if (!CryptAcquireContextA(provider.out(), keySet.name(), MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET)) {
        *error = LastError("CryptAcquireContext");
        return false;
    }
    Key key;
    if (!CryptGenKey(provider.get(), keySpec, (static_cast<DWORD>(bits) << 16) | CRYPT_EXPORTABLE,
                     key.out())) {
        *error = LastError("CryptGenKey");
        return false;
    }
    DWORD blobLength = 0;
    if (!CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, nullptr, &blobLength)) {
        *error = LastError("CryptExportKey");
        return false;
    }
    out->privateKeyBlob.resize(blobLength);
    if (!CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, out->privateKeyBlob.data(), &blobLength)) {
        *error = LastError("CryptExportKey");
        return false;
    }
    out->privateKeyBlob.resize(blobLength);

    std::string x500 = "CN=" + subject + ", O=Keystead Test Bank, C=CN";
    BYTE nameBuffer[512];
    DWORD nameLength = sizeof nameBuffer;
    if (!CertStrToNameA(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, nameBuffer,
                        &nameLength, nullptr) &&
        !EncodeUtf8Name(subject, nameBuffer, &(nameLength = sizeof nameBuffer))) {
        *error = LastError("CertStrToName");
        return false;
    }
    CERT_NAME_BLOB name = {nameLength, nameBuffer};

    // Key usage says what the certificate is for: signing, or wrapping keys.
    BYTE usageBits =
        ca ? static_cast<BYTE>(CERT_KEY_CERT_SIGN_KEY_USAGE | CERT_CRL_SIGN_KEY_USAGE |
                               CERT_DIGITAL_SIGNATURE_KEY_USAGE)
        : keySpec == AT_SIGNATURE
            ? static_cast<BYTE>(CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_NON_REPUDIATION_KEY_USAGE)
            : static_cast<BYTE>(CERT_KEY_ENCIPHERMENT_KEY_USAGE | CERT_DATA_ENCIPHERMENT_KEY_USAGE);
    CRYPT_BIT_BLOB usage = {1, &usageBits, 0};
    BYTE usageEncoded[16];
    DWORD usageLength = sizeof usageEncoded;
    CERT_BASIC_CONSTRAINTS2_INFO basic = {ca ? TRUE : FALSE, FALSE, 0};
    BYTE basicEncoded[16];
    DWORD basicLength = sizeof basicEncoded;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_KEY_USAGE, &usage, usageEncoded, &usageLength) ||
        !CryptEncodeObject(X509_ASN_ENCODING, X509_BASIC_CONSTRAINTS2, &basic, basicEncoded,
                           &basicLength)) {
        *error = LastError("CryptEncodeObject");
        return false;
    }
    std::vector<BYTE> padding(padBytes, 0x5A), paddingEncoded(padBytes + 16);
    DWORD paddingLength = static_cast<DWORD>(paddingEncoded.size());
    CRYPT_DATA_BLOB paddingBlob = {padBytes, padding.data()};
    if (padBytes > 0 && !CryptEncodeObject(X509_ASN_ENCODING, X509_OCTET_STRING, &paddingBlob,
                                           paddingEncoded.data(), &paddingLength)) {
        *error = LastError("CryptEncodeObject");
        return false;
    }
    CERT_EXTENSION ext[3] = {
        {const_cast<char*>(szOID_KEY_USAGE), TRUE, {usageLength, usageEncoded}},
        {const_cast<char*>(szOID_BASIC_CONSTRAINTS2), TRUE, {basicLength, basicEncoded}},
        {const_cast<char*>("1.3.6.1.4.1.55555.1"), FALSE, {paddingLength, paddingEncoded.data()}}};
    CERT_EXTENSIONS extensions = {padBytes > 0 ? 3u : 2u, ext};

    wchar_t containerW[64];
    MultiByteToWideChar(CP_ACP, 0, keySet.name(), -1, containerW, 64);
    CRYPT_KEY_PROV_INFO info = {};
    info.pwszContainerName = containerW;
    info.pwszProvName = const_cast<wchar_t*>(MS_ENHANCED_PROV_W);
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = keySpec;

    SYSTEMTIME start, end;
    GetSystemTime(&start);
    end = start;
    start.wYear = static_cast<WORD>(start.wYear - 1);
    end.wYear = static_cast<WORD>(end.wYear + 10);
    if (end.wMonth == 2 && end.wDay == 29)
        end.wDay = 28;
    if (start.wMonth == 2 && start.wDay == 29)
        start.wDay = 28;
    if (expiresInDays != 0) {
        // Valid for a year up to its end, so an expired one was valid once.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const long long day = 24LL * 60 * 60 * 10000000;
        ULARGE_INTEGER at;
        at.LowPart = now.dwLowDateTime;
        at.HighPart = now.dwHighDateTime;
        at.QuadPart =
            static_cast<ULONGLONG>(static_cast<long long>(at.QuadPart) + expiresInDays * day);
        FILETIME until = {at.LowPart, at.HighPart};
        at.QuadPart -= static_cast<ULONGLONG>(365 * day);
        FILETIME from = {at.LowPart, at.HighPart};
        FileTimeToSystemTime(&until, &end);
        FileTimeToSystemTime(&from, &start);
    }

    if (!issuer.empty())
        return SignIssued(provider.get(), keySpec, issuer, name, start, end, extensions, out,
                          error);
    PCCERT_CONTEXT cert = CertCreateSelfSignCertificate(provider.get(), &name, 0, &info, nullptr,
                                                        &start, &end, &extensions);
    if (!cert) {
        *error = LastError("CertCreateSelfSignCertificate");
        return false;
    }
    out->certificate.assign(cert->pbCertEncoded, cert->pbCertEncoded + cert->cbCertEncoded);
    CertFreeCertificateContext(cert);
    return true;
}

} // namespace zqsim
