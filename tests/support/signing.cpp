#include "signing.h"

namespace keystead_test {

Blob ExportPublicKey(HCRYPTKEY key) {
    Blob blob;
    DWORD size = 0;
    if (CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &size)) {
        blob.bytes.resize(size);
        if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.bytes.data(), &size))
            blob.bytes.clear();
    }
    return blob;
}

std::vector<BYTE> SignSha1(HCRYPTPROV prov, DWORD keySpec, const std::string& data) {
    std::vector<BYTE> signature;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(prov, CALG_SHA1, 0, 0, &hash))
        return signature;
    DWORD size = 0;
    if (CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()),
                      static_cast<DWORD>(data.size()), 0) &&
        CryptSignHashA(hash, keySpec, nullptr, 0, nullptr, &size)) {
        signature.resize(size);
        if (!CryptSignHashA(hash, keySpec, nullptr, 0, signature.data(), &size))
            signature.clear();
    }
    CryptDestroyHash(hash);
    return signature;
}

bool VerifiesWith(const CERT_PUBLIC_KEY_INFO* info, const Blob* publicKey, const std::string& data,
                  const std::vector<BYTE>& signature) {
    HCRYPTPROV platform = 0;
    if (!CryptAcquireContextA(&platform, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT))
        return false;
    HCRYPTKEY key = 0;
    bool ok = info ? CryptImportPublicKeyInfo(platform, X509_ASN_ENCODING,
                                              const_cast<CERT_PUBLIC_KEY_INFO*>(info), &key)
                   : CryptImportKey(platform, publicKey->bytes.data(),
                                    static_cast<DWORD>(publicKey->bytes.size()), 0, 0, &key);
    HCRYPTHASH hash = 0;
    ok = ok && CryptCreateHash(platform, CALG_SHA1, 0, 0, &hash) &&
         CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()), 0) &&
         CryptVerifySignatureA(hash, signature.data(), static_cast<DWORD>(signature.size()), key,
                               nullptr, 0);
    if (hash)
        CryptDestroyHash(hash);
    if (key)
        CryptDestroyKey(key);
    CryptReleaseContext(platform, 0);
    return ok;
}

} // namespace keystead_test
