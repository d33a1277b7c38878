#include "cert_stores.h"

#include <fstream>
#include <sstream>

namespace keystead_test {

std::vector<StoredCert> ListStore(const char* name) {
    std::vector<StoredCert> certs;
    HCERTSTORE store = CertOpenSystemStoreA(0, name);
    if (!store)
        return certs;
    PCCERT_CONTEXT cert = nullptr;
    while ((cert = CertEnumCertificatesInStore(store, cert)) != nullptr) {
        StoredCert s;
        s.der.assign(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded);
        DWORD size = 0;
        if (CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) {
            std::vector<BYTE> buffer(size);
            if (CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(),
                                                  &size)) {
                const CRYPT_KEY_PROV_INFO* info =
                    reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
                s.hasKeyInfo = true;
                s.container = info->pwszContainerName ? info->pwszContainerName : L"";
                s.provider = info->pwszProvName ? info->pwszProvName : L"";
                s.provType = info->dwProvType;
                s.keySpec = info->dwKeySpec;
            }
        }
        certs.push_back(s);
    }
    CertCloseStore(store, 0);
    return certs;
}

std::map<std::string, StoredCert> ReadStore(const char* name) {
    std::map<std::string, StoredCert> certs;
    for (const StoredCert& s : ListStore(name))
        certs[s.der] = s;
    return certs;
}

namespace {

// Deletes the store's certificates that `match` picks (all of them when it is null).
void DeleteFromStore(const char* name, const std::string* match) {
    HCERTSTORE store = CertOpenSystemStoreA(0, name);
    if (!store)
        return;
    std::vector<PCCERT_CONTEXT> picked;
    PCCERT_CONTEXT cert = nullptr;
    while ((cert = CertEnumCertificatesInStore(store, cert)) != nullptr)
        if (!match || std::string(reinterpret_cast<const char*>(cert->pbCertEncoded),
                                  cert->cbCertEncoded) == *match)
            picked.push_back(CertDuplicateCertificateContext(cert));
    for (PCCERT_CONTEXT each : picked)
        CertDeleteCertificateFromStore(each);
    CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    CertCloseStore(store, 0);
}

} // namespace

void EmptyStore(const char* name) {
    DeleteFromStore(name, nullptr);
}

void RemoveFromStore(const char* name, const std::string& der) {
    DeleteFromStore(name, &der);
}

std::string Thumbprint(const std::string& der) {
    BYTE hash[20] = {};
    DWORD size = sizeof hash;
    CryptHashCertificate(0, CALG_SHA1, 0, reinterpret_cast<const BYTE*>(der.data()),
                         static_cast<DWORD>(der.size()), hash, &size);
    std::string text;
    char digits[3];
    for (BYTE b : hash) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

bool AddToStore(const char* name, const std::string& der, const wchar_t* provider,
                const wchar_t* container, DWORD keySpec) {
    HCERTSTORE store = CertOpenSystemStoreA(0, name);
    if (!store)
        return false;
    PCCERT_CONTEXT cert =
        CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                     static_cast<DWORD>(der.size()));
    bool ok = cert != nullptr;
    if (ok && provider) {
        CRYPT_KEY_PROV_INFO info = {};
        info.pwszContainerName = const_cast<wchar_t*>(container);
        info.pwszProvName = const_cast<wchar_t*>(provider);
        info.dwProvType = PROV_RSA_FULL;
        info.dwKeySpec = keySpec;
        ok = CertSetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, 0, &info) != 0;
    }
    ok = ok &&
         CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (cert)
        CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
    return ok;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> DebianCaCertificates() {
    std::vector<std::string> certs;
    WIN32_FIND_DATAA found;
    const std::string dir = "Z:\\usr\\share\\ca-certificates\\mozilla\\";
    HANDLE search = FindFirstFileA((dir + "*.crt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return certs;
    do {
        const std::string pem = ReadFileBytes(dir + found.cFileName);
        DWORD size = 0;
        if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                  CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
            continue;
        std::string der(size, '\0');
        if (CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                 CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(&der[0]), &size,
                                 nullptr, nullptr))
            certs.push_back(der.substr(0, size));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return certs;
}

} // namespace keystead_test

namespace keystead_test {

void AssociateCer(const std::string& command) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, ".cer", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("KeysteadTestCer"), 16);
    RegCloseKey(key);
    RegCreateKeyExA(HKEY_CLASSES_ROOT, "KeysteadTestCer\\shell\\open\\command", 0, nullptr, 0,
                    KEY_SET_VALUE, nullptr, &key, nullptr);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
}

void ForgetCer() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "KeysteadTestCer");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".cer");
}

BankRootList::BankRootList(const std::vector<std::string>& thumbprints) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Keystead\\Roots");
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Keystead\\Roots", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const std::string& thumbprint : thumbprints)
        RegSetValueExA(key, thumbprint.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);
}

BankRootList::~BankRootList() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Keystead\\Roots");
}

} // namespace keystead_test
