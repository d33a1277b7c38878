#include "scan_floor.h"

#include "cert_stores.h"
#include "store_work.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>

namespace keystead_bench {

// Many distinct certificates quickly: one key pair, a new subject and serial each time.
std::vector<std::string> MakeCertificates(int count) {
    std::vector<std::string> certs;
    HCRYPTPROV prov = 0;
    CryptAcquireContextA(&prov, "keystead-bench", MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                         CRYPT_NEWKEYSET);
    if (!prov)
        CryptAcquireContextA(&prov, "keystead-bench", MS_ENHANCED_PROV_A, PROV_RSA_FULL, 0);
    HCRYPTKEY key = 0;
    CryptGenKey(prov, AT_SIGNATURE, 1024u << 16, &key);
    for (int i = 0; i < count; ++i) {
        char x500[64];
        std::snprintf(x500, sizeof x500, "CN=Bench certificate %d, O=Keystead", i);
        BYTE name[256];
        DWORD nameLength = sizeof name;
        CertStrToNameA(X509_ASN_ENCODING, x500, CERT_X500_NAME_STR, nullptr, name, &nameLength,
                       nullptr);
        CERT_NAME_BLOB blob = {nameLength, name};
        CRYPT_KEY_PROV_INFO info = {};
        info.pwszContainerName = const_cast<wchar_t*>(L"keystead-bench");
        info.pwszProvName = const_cast<wchar_t*>(MS_ENHANCED_PROV_W);
        info.dwProvType = PROV_RSA_FULL;
        info.dwKeySpec = AT_SIGNATURE;
        PCCERT_CONTEXT cert = CertCreateSelfSignCertificate(prov, &blob, 0, &info, nullptr, nullptr,
                                                            nullptr, nullptr);
        if (cert) {
            certs.emplace_back(reinterpret_cast<const char*>(cert->pbCertEncoded),
                               cert->cbCertEncoded);
            CertFreeCertificateContext(cert);
        }
    }
    CryptDestroyKey(key);
    CryptReleaseContext(prov, 0);
    return certs;
}

// The rig of one grid point; the certificates of the pool are spread over it in order.
void WriteRig(const zqsim::Rig& rig, int tokens, int containers,
              const std::vector<std::string>& pool) {
    for (const zqsim::TokenRecord& old : rig.LoadAll())
        rig.Remove(old.serial);
    std::size_t next = 0;
    for (int t = 0; t < tokens; ++t) {
        zqsim::TokenRecord token;
        token.serial = "B" + std::to_string(t);
        token.deviceName = "\\\\.\\VELQUKEY_" + token.serial;
        token.slot = t;
        token.userPinHash = token.defaultPinHash = zqsim::PinHash("12345678");
        token.pinIsDefault = false;
        for (int c = 0; c < containers; ++c) {
            zqsim::ContainerRecord container;
            container.name = "Bench " + std::to_string(t) + "-" + std::to_string(c);
            container.signCert.assign(pool[next].begin(), pool[next].end());
            ++next;
            container.exchCert.assign(pool[next].begin(), pool[next].end());
            ++next;
            token.containers.push_back(container);
        }
        rig.Save(token);
    }
}

bool StartHiddenOverRig(keystead_test::KeysteadRun& app, const zqsim::Rig& rig,
                        const std::string& rigDir, const std::vector<std::string>& pool) {
    keystead_test::EmptyStore("MY");
    WriteRig(rig, 1, 1, pool);
    if (!app.Start(rigDir)) {
        std::fprintf(stderr, "Keystead did not start\n");
        return false;
    }
    ShowWindow(app.main(), SW_HIDE);
    SetEnvironmentVariableA("ZQSIM_RIG", rigDir.c_str());
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

} // namespace keystead_bench
