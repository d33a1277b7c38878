// A client of the token as a bank's page is, in a process of its own so that the provider it
// loads goes with it: certificate_client PROVIDER MODULE. Takes the signature certificate in "MY"
// whose key provider information names PROVIDER, signs through its private key and verifies the
// signature against the certificate with the platform's own provider. Prints the file that
// MODULE, the provider's library, was loaded from. Exit 0 when the signature verified; 1 no such
// certificate, 2 no private key, 3 no signature, 4 a signature that does not verify.
#include "signing.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool NamesProvider(PCCERT_CONTEXT cert, const std::wstring& provider) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return false;
    std::vector<BYTE> bytes(size);
    if (!CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, bytes.data(), &size))
        return false;
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(bytes.data());
    return info->pwszProvName && provider == info->pwszProvName && info->dwKeySpec == AT_SIGNATURE;
}

// The file of the loaded module whose name is the provider's image.
std::string LoadedFrom(const char* module) {
    char path[MAX_PATH] = "";
    HMODULE handle = GetModuleHandleA(module);
    if (handle)
        GetModuleFileNameA(handle, path, sizeof path);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 64;
    const std::string name = argv[1];
    const std::wstring provider(name.begin(), name.end());
    HCERTSTORE my = CertOpenSystemStoreA(0, "MY");
    if (!my)
        return 1;
    PCCERT_CONTEXT cert = nullptr;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(my, c)) != nullptr;) {
        if (NamesProvider(c, provider)) {
            cert = CertDuplicateCertificateContext(c);
            CertFreeCertificateContext(c);
            break;
        }
    }
    int status = 1;
    if (cert) {
        HCRYPTPROV prov = 0;
        DWORD keySpec = 0;
        BOOL callerFrees = FALSE;
        status = 2;
        if (CryptAcquireCertificatePrivateKey(cert, CRYPT_ACQUIRE_COMPARE_KEY_FLAG, nullptr, &prov,
                                              &keySpec, &callerFrees)) {
            std::printf("provider %s\n", LoadedFrom(argv[2]).c_str());
            const std::string data = "login challenge 2026-12-10";
            const std::vector<BYTE> signature = keystead_test::SignSha1(prov, keySpec, data);
            status = signature.empty() ? 3
                     : keystead_test::VerifiesWith(&cert->pCertInfo->SubjectPublicKeyInfo, nullptr,
                                                   data, signature)
                         ? 0
                         : 4;
            if (callerFrees)
                CryptReleaseContext(prov, 0);
        } else {
            std::printf("no key %08lx\n", static_cast<unsigned long>(GetLastError()));
        }
        CertFreeCertificateContext(cert);
    }
    CertCloseStore(my, 0);
    std::fflush(stdout);
    return status;
}
