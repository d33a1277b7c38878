// ZQ_CSP.dll as CryptoAPI sees it: its binary shape, and real cryptography through
// CryptoAPI -> ZQ_CSP.dll -> the stand-in vendor library, with the token's own keys.
#include "cert_stores.h"
#include "keystead_driver.h"
#include "pe_image.h"
#include "provider_registry.h"
#include "sim_rig.h"
#include "signing.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <set>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

std::string ProviderPath() {
    return BinDir() + "\\ZQ_CSP.dll";
}

// Published provider interface: name, ordinal.
const std::vector<std::pair<std::string, int>> kEntryPoints = {
    {"CPAcquireContext", 1}, {"CPReleaseContext", 2},   {"CPGenKey", 3},
    {"CPDeriveKey", 4},      {"CPDestroyKey", 5},       {"CPSetKeyParam", 6},
    {"CPGetKeyParam", 7},    {"CPExportKey", 8},        {"CPImportKey", 9},
    {"CPEncrypt", 11},       {"CPDecrypt", 12},         {"CPCreateHash", 13},
    {"CPHashData", 14},      {"CPHashSessionKey", 15},  {"CPDestroyHash", 16},
    {"CPSignHash", 17},      {"CPVerifySignature", 18}, {"CPGenRandom", 19},
    {"CPGetUserKey", 20},    {"CPSetProvParam", 21},    {"CPGetProvParam", 22},
    {"CPSetHashParam", 23},  {"CPGetHashParam", 24},    {"CPDuplicateHash", 25},
    {"CPDuplicateKey", 26}};

void ExpectTheInterfacesShape(const std::string& path, WORD machine) {
    SCOPED_TRACE(path);
    const PeImage pe = ReadPeImage(path);
    ASSERT_TRUE(pe.ok);
    EXPECT_EQ(pe.machine, machine);
    EXPECT_EQ(pe.moduleName, "ZQ_CSP.dll");
    EXPECT_EQ(pe.ordinalBase, 1u);
    ASSERT_EQ(pe.exportRvas.size(), 26u);
    EXPECT_EQ(pe.exportRvas[9], 0u) << "slot 10 must stay empty";
    std::map<std::string, std::uint16_t> expected;
    for (const auto& [name, ordinal] : kEntryPoints) {
        expected[name] = static_cast<std::uint16_t>(ordinal);
        EXPECT_NE(pe.exportRvas[ordinal - 1], 0u) << name;
    }
    EXPECT_EQ(pe.exportNames, expected);

    std::set<int> vendorOrdinals;
    for (const PeImport& import : pe.imports) {
        if (_stricmp(import.dll.c_str(), "ZQCSP.dll") != 0)
            continue;
        EXPECT_TRUE(import.byOrdinal) << "imported by name: " << import.name;
        EXPECT_TRUE(vendorOrdinals.insert(import.ordinal).second) << import.ordinal;
    }
    std::set<int> wanted;
    for (const auto& entry : kEntryPoints)
        wanted.insert(entry.second);
    EXPECT_EQ(vendorOrdinals, wanted);
}

TEST(ProviderShape, ExportsAndImportsAreExactlyTheInterface) {
    ExpectTheInterfacesShape(ProviderPath(), ThisBuildsMachine());
    // A 64-bit test build still checks the 32-bit library that ships.
    if (ShippedBinDir() != BinDir())
        ExpectTheInterfacesShape(ShippedBinDir() + "\\ZQ_CSP.dll", ShippedMachine());
}

TEST(ProviderShape, OrdinalTenFindsNothingOnceLoaded) {
    SetDllDirectoryA(BinDir().c_str());
    HMODULE module = LoadLibraryA(ProviderPath().c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(10)), nullptr);
    for (const auto& [name, ordinal] : kEntryPoints) {
        EXPECT_EQ(GetProcAddress(module, name.c_str()),
                  GetProcAddress(module, MAKEINTRESOURCEA(ordinal)))
            << name;
    }
    FreeLibrary(module);
}

class ProviderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The vendor library is found beside ZQ_CSP.dll, as both sit in the system folder of
        // an installed machine.
        SetDllDirectoryA(BinDir().c_str());
        SetEnvironmentVariableA("ZQSIM_RIG", rig_.dir().c_str());
        ASSERT_TRUE(velq_.ok());
    }
    void TearDown() override {
        for (HCRYPTPROV prov : open_)
            CryptReleaseContext(prov, 0);
    }
    HCRYPTPROV Acquire(const char* container, DWORD flags = 0) {
        HCRYPTPROV prov = 0;
        if (!CryptAcquireContextA(&prov, container, kVelqProvider, PROV_RSA_FULL, flags))
            return 0;
        open_.push_back(prov);
        return prov;
    }
    std::string Exported(const std::string& serial, const char* kind) {
        const std::string path = rig_.dir() + "\\export.der";
        EXPECT_EQ(rig_.Ctl("export-cert " + serial + " 0 " + kind + " \"" + path + "\""), 0);
        return ReadFileBytes(path);
    }
    int CountLogged(const std::string& function) {
        int n = 0;
        for (const LogLine& line : rig_.LogOf(GetCurrentProcessId()))
            n += line.function == function && line.result == 1;
        return n;
    }

    TestRig rig_;
    ScopedProvider velq_{kVelqProvider, ProviderPath()};
    std::vector<HCRYPTPROV> open_;
};

TEST_F(ProviderTest, VerifyContextDoesTheWholeRoundOfCryptography) {
    HCRYPTPROV prov = Acquire(nullptr, CRYPT_VERIFYCONTEXT);
    ASSERT_NE(prov, 0u) << std::hex << GetLastError();
    EXPECT_EQ(CountLogged("CPAcquireContext"), 1) << "the call must reach the stand-in";

    BYTE random[16] = {}, zero[16] = {};
    ASSERT_TRUE(CryptGenRandom(prov, sizeof random, random));
    EXPECT_NE(memcmp(random, zero, sizeof random), 0);

    char name[128] = {};
    DWORD nameSize = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(prov, PP_NAME, reinterpret_cast<BYTE*>(name), &nameSize, 0));
    EXPECT_STREQ(name, kVelqProvider);

    // A signature pair made here signs; the platform verifies the signature.
    HCRYPTKEY pair = 0;
    ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, (1024u << 16), &pair))
        << std::hex << GetLastError();
    const Blob publicKey = ExportPublicKey(pair);
    ASSERT_FALSE(publicKey.bytes.empty());
    const std::string data = "transfer 100.00 to 6222 0000 1111";
    const std::vector<BYTE> signature = SignSha1(prov, AT_SIGNATURE, data);
    ASSERT_EQ(signature.size(), 128u);
    EXPECT_TRUE(VerifiesWith(nullptr, &publicKey, data, signature));
    EXPECT_FALSE(VerifiesWith(nullptr, &publicKey, data + ".", signature));

    // Verification through the provider too, and a duplicated hash verifies the same.
    HCRYPTHASH hash = 0, copy = 0;
    ASSERT_TRUE(CryptCreateHash(prov, CALG_SHA1, 0, 0, &hash));
    ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()), 0));
    ASSERT_TRUE(CryptDuplicateHash(hash, nullptr, 0, &copy));
    EXPECT_TRUE(CryptVerifySignatureA(copy, signature.data(), 128, pair, nullptr, 0));
    BYTE digest[20];
    DWORD digestSize = sizeof digest;
    EXPECT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, digest, &digestSize, 0));
    EXPECT_EQ(digestSize, 20u);
    CryptDestroyHash(copy);
    CryptDestroyHash(hash);

    // A session key wrapped for an exchange pair, unwrapped, and used both ways.
    HCRYPTKEY exchange = 0, session = 0, unwrapped = 0;
    ASSERT_TRUE(CryptGenKey(prov, AT_KEYEXCHANGE, (1024u << 16), &exchange));
    ASSERT_TRUE(CryptGenKey(prov, CALG_3DES, CRYPT_EXPORTABLE, &session));
    DWORD wrappedSize = 0;
    ASSERT_TRUE(CryptExportKey(session, exchange, SIMPLEBLOB, 0, nullptr, &wrappedSize));
    std::vector<BYTE> wrapped(wrappedSize);
    ASSERT_TRUE(CryptExportKey(session, exchange, SIMPLEBLOB, 0, wrapped.data(), &wrappedSize));
    ASSERT_TRUE(CryptImportKey(prov, wrapped.data(), wrappedSize, exchange, 0, &unwrapped));
    std::string text = "a message of some length, longer than one block";
    std::vector<BYTE> buffer(text.begin(), text.end());
    buffer.resize(text.size() + 32);
    DWORD length = static_cast<DWORD>(text.size());
    ASSERT_TRUE(CryptEncrypt(session, 0, TRUE, 0, buffer.data(), &length,
                             static_cast<DWORD>(buffer.size())));
    EXPECT_NE(std::string(buffer.begin(), buffer.begin() + text.size()), text);
    ASSERT_TRUE(CryptDecrypt(unwrapped, 0, TRUE, 0, buffer.data(), &length));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), text);

    // A key derived twice from the same secret decrypts what the other encrypted.
    HCRYPTHASH secret = 0;
    HCRYPTKEY derived = 0, duplicate = 0;
    ASSERT_TRUE(CryptCreateHash(prov, CALG_SHA1, 0, 0, &secret));
    ASSERT_TRUE(CryptHashData(secret, reinterpret_cast<const BYTE*>("secret"), 6, 0));
    ASSERT_TRUE(CryptDeriveKey(prov, CALG_RC4, secret, 0, &derived));
    ASSERT_TRUE(CryptDuplicateKey(derived, nullptr, 0, &duplicate));
    BYTE plain[4] = {1, 2, 3, 4}, work[4] = {1, 2, 3, 4};
    DWORD workLength = sizeof work;
    ASSERT_TRUE(CryptEncrypt(derived, 0, TRUE, 0, work, &workLength, sizeof work));
    ASSERT_TRUE(CryptDecrypt(duplicate, 0, TRUE, 0, work, &workLength));
    EXPECT_EQ(memcmp(work, plain, sizeof plain), 0);
    for (HCRYPTKEY key : {pair, exchange, session, unwrapped, derived, duplicate})
        EXPECT_TRUE(CryptDestroyKey(key));
    CryptDestroyHash(secret);

    ASSERT_TRUE(CryptReleaseContext(prov, 0));
    open_.clear();
    EXPECT_EQ(CountLogged("CPReleaseContext"), 1);
}

TEST_F(ProviderTest, TokenContainerSignsWithTheKeyBehindItsCertificate) {
    ASSERT_EQ(rig_.Ctl("create TKA1 --container Bank:both"), 0);
    HCRYPTPROV prov = Acquire("Bank");
    ASSERT_NE(prov, 0u) << std::hex << GetLastError();

    char container[128] = {};
    DWORD size = sizeof container;
    ASSERT_TRUE(
        CryptGetProvParam(prov, PP_CONTAINER, reinterpret_cast<BYTE*>(container), &size, 0));
    EXPECT_STREQ(container, "Bank");

    for (const char* kind : {"sign", "exch"}) {
        SCOPED_TRACE(kind);
        const DWORD usage = std::string(kind) == "sign" ? AT_SIGNATURE : AT_KEYEXCHANGE;
        const std::string der = Exported("TKA1", kind);
        PCCERT_CONTEXT cert = CertCreateCertificateContext(
            X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
            static_cast<DWORD>(der.size()));
        ASSERT_NE(cert, nullptr);
        const std::string data = std::string("order for ") + kind;
        const std::vector<BYTE> signature = SignSha1(prov, usage, data);
        ASSERT_FALSE(signature.empty()) << std::hex << GetLastError();
        EXPECT_TRUE(VerifiesWith(&cert->pCertInfo->SubjectPublicKeyInfo, nullptr, data, signature));

        // The token's private key never leaves it.
        HCRYPTKEY user = 0;
        ASSERT_TRUE(CryptGetUserKey(prov, usage, &user));
        DWORD blobSize = 0;
        EXPECT_FALSE(CryptExportKey(user, 0, PRIVATEKEYBLOB, 0, nullptr, &blobSize));
        CryptDestroyKey(user);
        CertFreeCertificateContext(cert);
    }
    EXPECT_EQ(CountLogged("CPSignHash"), 2);

    // Something encrypted to the token's encryption certificate comes back out.
    const std::string der = Exported("TKA1", "exch");
    PCCERT_CONTEXT cert =
        CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                     static_cast<DWORD>(der.size()));
    ASSERT_NE(cert, nullptr);
    HCRYPTPROV platform = 0;
    ASSERT_TRUE(CryptAcquireContextA(&platform, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                                     CRYPT_VERIFYCONTEXT));
    HCRYPTKEY certKey = 0;
    ASSERT_TRUE(CryptImportPublicKeyInfo(platform, X509_ASN_ENCODING,
                                         &cert->pCertInfo->SubjectPublicKeyInfo, &certKey));
    BYTE message[128] = "PIN envelope";
    DWORD length = 13;
    ASSERT_TRUE(CryptEncrypt(certKey, 0, TRUE, 0, message, &length, sizeof message));
    HCRYPTKEY exchange = 0;
    ASSERT_TRUE(CryptGetUserKey(prov, AT_KEYEXCHANGE, &exchange));
    ASSERT_TRUE(CryptDecrypt(exchange, 0, TRUE, 0, message, &length));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(message), length),
              std::string("PIN envelope", 13));
    CryptDestroyKey(exchange);
    CryptDestroyKey(certKey);
    CryptReleaseContext(platform, 0);
    CertFreeCertificateContext(cert);
}

TEST_F(ProviderTest, TokenKeysAreUsableOnlyWhileTheTokenIsThere) {
    ASSERT_EQ(rig_.Ctl("create TKB1 --container Bank:sign"), 0);
    EXPECT_EQ(Acquire("Nowhere"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_KEYSET));
    EXPECT_EQ(Acquire("Bank", CRYPT_NEWKEYSET), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_PERM));

    HCRYPTPROV prov = Acquire("Bank");
    ASSERT_NE(prov, 0u);
    ASSERT_FALSE(SignSha1(prov, AT_SIGNATURE, "before").empty());
    ASSERT_EQ(rig_.Ctl("pull TKB1"), 0);
    EXPECT_TRUE(SignSha1(prov, AT_SIGNATURE, "after").empty());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(SCARD_W_REMOVED_CARD));
    EXPECT_EQ(Acquire("Bank"), 0u) << "a pulled token's containers are gone";
    ASSERT_EQ(rig_.Ctl("plug TKB1"), 0);
    EXPECT_FALSE(SignSha1(prov, AT_SIGNATURE, "again").empty());
}

TEST_F(ProviderTest, KeyPairMadeInATokenContainerStaysOnTheToken) {
    ASSERT_EQ(rig_.Ctl("create TKC1 --container Fresh:none"), 0);
    HCRYPTPROV prov = Acquire("Fresh");
    ASSERT_NE(prov, 0u) << std::hex << GetLastError();
    HCRYPTKEY made = 0;
    ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, (1024u << 16), &made))
        << std::hex << GetLastError();
    const Blob publicKey = ExportPublicKey(made);
    DWORD size = 0;
    EXPECT_FALSE(CryptExportKey(made, 0, PRIVATEKEYBLOB, 0, nullptr, &size));
    CryptDestroyKey(made);

    // A new context, as another program would open it, signs with that same pair.
    HCRYPTPROV other = Acquire("Fresh");
    ASSERT_NE(other, 0u);
    const std::vector<BYTE> signature = SignSha1(other, AT_SIGNATURE, "kept");
    EXPECT_TRUE(VerifiesWith(nullptr, &publicKey, "kept", signature));
}

// The whole chain a bank's web page relies on: Keystead registers the token's certificate, a
// client finds it in "MY", gets its private key from the key provider information and signs;
// the platform verifies the signature against the certificate.
TEST_F(ProviderTest, CertificateKeysteadRegisteredSignsThroughTheProvider) {
    SetWindowsVersion("Keystead.exe", "winxp");
    EmptyStore("MY");
    ASSERT_EQ(rig_.Ctl("create TKD1 --changed --container Customer:both"), 0);
    const std::string der = Exported("TKD1", "sign");
    {
        KeysteadRun app;
        ASSERT_TRUE(app.Start(rig_.dir()));
        app.Kill();
    }
    HCERTSTORE my = CertOpenSystemStoreA(0, "MY");
    ASSERT_NE(my, nullptr);
    CRYPT_DATA_BLOB wanted = {static_cast<DWORD>(der.size()),
                              reinterpret_cast<BYTE*>(const_cast<char*>(der.data()))};
    PCCERT_CONTEXT cert = nullptr;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(my, c)) != nullptr;) {
        if (c->cbCertEncoded == wanted.cbData &&
            !memcmp(c->pbCertEncoded, wanted.pbData, wanted.cbData)) {
            cert = CertDuplicateCertificateContext(c);
            CertFreeCertificateContext(c);
            break;
        }
    }
    ASSERT_NE(cert, nullptr) << "Keystead did not register the signature certificate";

    HCRYPTPROV prov = 0;
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    ASSERT_TRUE(CryptAcquireCertificatePrivateKey(cert, CRYPT_ACQUIRE_COMPARE_KEY_FLAG, nullptr,
                                                  &prov, &keySpec, &callerFrees))
        << std::hex << GetLastError();
    EXPECT_EQ(keySpec, static_cast<DWORD>(AT_SIGNATURE));
    const std::string data = "login challenge 2026-12-09";
    const std::vector<BYTE> signature = SignSha1(prov, keySpec, data);
    ASSERT_FALSE(signature.empty()) << std::hex << GetLastError();
    EXPECT_TRUE(VerifiesWith(&cert->pCertInfo->SubjectPublicKeyInfo, nullptr, data, signature));
    if (callerFrees)
        CryptReleaseContext(prov, 0);
    CertFreeCertificateContext(cert);
    CertCloseStore(my, 0);
    EXPECT_GE(CountLogged("CPSignHash"), 1);
    EmptyStore("MY");
}

// Without its vendor library the provider does not load. A library lacking one ordinal makes
// Windows refuse the load; Wine binds the missing entry point to a stub that ends the process
// when it is called, so there the client can never succeed with it either.
TEST(ProviderLoading, NeedsTheWholeVendorLibrary) {
    const std::string variants = TestBinDir() + "\\variants";
    {
        const std::string dir = variants + "\\provider_only";
        ASSERT_EQ(GetFileAttributesA((dir + "\\ZQCSP.dll").c_str()), INVALID_FILE_ATTRIBUTES);
        ScopedProvider provider("ZQ Test No Vendor", dir + "\\ZQ_CSP.dll");
        ASSERT_TRUE(provider.ok());
        SetDllDirectoryA(dir.c_str());
        HCRYPTPROV prov = 0;
        EXPECT_FALSE(CryptAcquireContextA(&prov, nullptr, "ZQ Test No Vendor", PROV_RSA_FULL,
                                          CRYPT_VERIFYCONTEXT));
        EXPECT_EQ(GetModuleHandleA("ZQ_CSP.dll"), nullptr);
    }
    struct Case {
        const char* dir;
        int exitCode;
    };
    for (const Case& c : {Case{"without_ordinal_1", 3}, Case{"without_ordinal_14", 3},
                          Case{"without_ordinal_26", 0}}) {
        SCOPED_TRACE(c.dir);
        const std::string dir = variants + "\\" + c.dir;
        ASSERT_NE(GetFileAttributesA((dir + "\\ZQCSP.dll").c_str()), INVALID_FILE_ATTRIBUTES);
        ScopedProvider provider("ZQ Test Incomplete Vendor", dir + "\\ZQ_CSP.dll");
        ASSERT_TRUE(provider.ok());
        // Ordinal 26 (duplicating a key) is not on the client's path, so it runs through.
        EXPECT_EQ(RunProcess("\"" + TestBinDir() +
                             "\\provider_client.exe\" \"ZQ Test Incomplete "
                             "Vendor\" \"" +
                             dir + "\""),
                  c.exitCode);
    }
    ScopedProvider complete("ZQ Test Complete Vendor", ProviderPath());
    EXPECT_EQ(RunProcess("\"" + TestBinDir() +
                         "\\provider_client.exe\" \"ZQ Test Complete "
                         "Vendor\" \"" +
                         BinDir() + "\""),
              0);
}

} // namespace
