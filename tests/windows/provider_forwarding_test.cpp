// ZQ_CSP.dll in front of a recording vendor library: every entry point hands over exactly the
// arguments it got, returns exactly TRUE or FALSE, and leaves the vendor's last-error value as
// the vendor set it.
#include "provider_registry.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

using namespace keystead_test;

namespace {

struct ProbeCall {
    int ordinal;
    int count;
    DWORD_PTR args[8];
};
using Configure = void(WINAPI*)(BOOL result, DWORD error, BOOL setError);
using LastCall = void(WINAPI*)(ProbeCall* out);

struct EntryPoint {
    const char* name;
    int ordinal;
    int arguments;
};
// The published provider interface.
const EntryPoint kEntryPoints[] = {
    {"CPAcquireContext", 1, 4}, {"CPReleaseContext", 2, 2},   {"CPGenKey", 3, 4},
    {"CPDeriveKey", 4, 5},      {"CPDestroyKey", 5, 2},       {"CPSetKeyParam", 6, 5},
    {"CPGetKeyParam", 7, 6},    {"CPExportKey", 8, 7},        {"CPImportKey", 9, 6},
    {"CPEncrypt", 11, 8},       {"CPDecrypt", 12, 7},         {"CPCreateHash", 13, 5},
    {"CPHashData", 14, 5},      {"CPHashSessionKey", 15, 4},  {"CPDestroyHash", 16, 2},
    {"CPSignHash", 17, 7},      {"CPVerifySignature", 18, 7}, {"CPGenRandom", 19, 3},
    {"CPGetUserKey", 20, 3},    {"CPSetProvParam", 21, 4},    {"CPGetProvParam", 22, 5},
    {"CPSetHashParam", 23, 5},  {"CPGetHashParam", 24, 6},    {"CPDuplicateHash", 25, 5},
    {"CPDuplicateKey", 26, 5}};

using A = DWORD_PTR;

// Through the one pointer type every function pointer may be cast to and back.
template <typename T> T As(FARPROC f) {
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(f));
}

// Calls an entry point of n arguments the way CryptoAPI does: stdcall, pointer-sized values.
BOOL CallWith(FARPROC f, int n, const A* a) {
    switch (n) {
    case 2:
        return As<BOOL(WINAPI*)(A, A)>(f)(a[0], a[1]);
    case 3:
        return As<BOOL(WINAPI*)(A, A, A)>(f)(a[0], a[1], a[2]);
    case 4:
        return As<BOOL(WINAPI*)(A, A, A, A)>(f)(a[0], a[1], a[2], a[3]);
    case 5:
        return As<BOOL(WINAPI*)(A, A, A, A, A)>(f)(a[0], a[1], a[2], a[3], a[4]);
    case 6:
        return As<BOOL(WINAPI*)(A, A, A, A, A, A)>(f)(a[0], a[1], a[2], a[3], a[4], a[5]);
    case 7:
        return As<BOOL(WINAPI*)(A, A, A, A, A, A, A)>(f)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    case 8:
        return As<BOOL(WINAPI*)(A, A, A, A, A, A, A, A)>(f)(a[0], a[1], a[2], a[3], a[4], a[5],
                                                            a[6], a[7]);
    }
    ADD_FAILURE() << "no call shape for " << n << " arguments";
    return -1;
}

class ForwardingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDllDirectoryA(ProbeDir().c_str());
        vendor_ = LoadLibraryA((ProbeDir() + "\\ZQCSP.dll").c_str());
        ASSERT_NE(vendor_, nullptr);
        provider_ = LoadLibraryA((ProbeDir() + "\\ZQ_CSP.dll").c_str());
        ASSERT_NE(provider_, nullptr);
        configure_ = As<Configure>(GetProcAddress(vendor_, MAKEINTRESOURCEA(100)));
        lastCall_ = As<LastCall>(GetProcAddress(vendor_, MAKEINTRESOURCEA(101)));
        ASSERT_TRUE(configure_ && lastCall_);
    }
    void TearDown() override {
        if (provider_)
            FreeLibrary(provider_);
        if (vendor_)
            FreeLibrary(vendor_);
    }
    static std::string ProbeDir() { return TestBinDir() + "\\vendor_probe"; }
    ProbeCall Last() {
        ProbeCall call{};
        lastCall_(&call);
        return call;
    }

    HMODULE vendor_ = nullptr, provider_ = nullptr;
    Configure configure_ = nullptr;
    LastCall lastCall_ = nullptr;
};

TEST_F(ForwardingTest, EveryEntryPointPassesItsArgumentsUnchangedToItsOrdinal) {
    configure_(TRUE, 0, FALSE);
    BYTE buffer[16];
    for (const EntryPoint& e : kEntryPoints) {
        SCOPED_TRACE(e.name);
        FARPROC f = GetProcAddress(provider_, e.name);
        ASSERT_NE(f, nullptr);
        // Handles, a real pointer, a null pointer, every flag bit, and values the vendor must
        // not see altered or reordered.
        A args[8] = {0x5A000001u, reinterpret_cast<A>(buffer),
                     0,           0xFFFFFFFFu,
                     0x80000000u, 0x12345678u,
                     7,           0xC0DE0000u + static_cast<A>(e.ordinal)};
        EXPECT_EQ(CallWith(f, e.arguments, args), TRUE);
        const ProbeCall call = Last();
        EXPECT_EQ(call.ordinal, e.ordinal);
        ASSERT_EQ(call.count, e.arguments);
        for (int i = 0; i < e.arguments; ++i)
            EXPECT_EQ(call.args[i], args[i]) << "argument " << i;
    }
}

TEST_F(ForwardingTest, ResultsBecomeExactlyTrueOrFalse) {
    const BOOL results[] = {0, 1, 2, -1, static_cast<BOOL>(0x80000000u), 0x100};
    for (const EntryPoint& e : kEntryPoints) {
        FARPROC f = GetProcAddress(provider_, e.name);
        ASSERT_NE(f, nullptr);
        const A args[8] = {};
        for (BOOL vendor : results) {
            configure_(vendor, 0, FALSE);
            EXPECT_EQ(CallWith(f, e.arguments, args), vendor ? 1 : 0)
                << e.name << " vendor result " << vendor;
        }
    }
}

TEST_F(ForwardingTest, TheVendorsLastErrorReachesTheCaller) {
    for (const EntryPoint& e : kEntryPoints) {
        SCOPED_TRACE(e.name);
        FARPROC f = GetProcAddress(provider_, e.name);
        const A args[8] = {};
        configure_(FALSE, static_cast<DWORD>(NTE_BAD_KEYSET), TRUE);
        SetLastError(0);
        EXPECT_EQ(CallWith(f, e.arguments, args), FALSE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_KEYSET));
        // Also on success, and also when the vendor leaves the value alone.
        configure_(2, 0x1234, TRUE);
        EXPECT_EQ(CallWith(f, e.arguments, args), TRUE);
        EXPECT_EQ(GetLastError(), 0x1234u);
        configure_(FALSE, 0, FALSE);
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(CallWith(f, e.arguments, args), FALSE);
        EXPECT_EQ(GetLastError(), 0xDEADBEEFu);
    }
}

// The same through CryptoAPI, which hands a provider's verdict back as it got it.
TEST_F(ForwardingTest, CryptoApiClientsSeeNormalisedResultsAndTheVendorsError) {
    ScopedProvider probe("ZQ Test Probe Vendor", ProbeDir() + "\\ZQ_CSP.dll");
    ASSERT_TRUE(probe.ok());
    configure_(2, 0, FALSE);
    HCRYPTPROV prov = 0;
    ASSERT_TRUE(CryptAcquireContextA(&prov, "Bank", "ZQ Test Probe Vendor", PROV_RSA_FULL, 0x40));
    ProbeCall call = Last();
    EXPECT_EQ(call.ordinal, 1);
    EXPECT_EQ(call.args[2], 0x40u);

    BYTE random[16];
    EXPECT_EQ(CryptGenRandom(prov, sizeof random, random), 1);
    call = Last();
    EXPECT_EQ(call.ordinal, 19);
    EXPECT_EQ(call.args[1], sizeof random);
    EXPECT_EQ(call.args[2], reinterpret_cast<A>(random));

    configure_(FALSE, static_cast<DWORD>(NTE_FAIL), TRUE);
    EXPECT_EQ(CryptGenRandom(prov, sizeof random, random), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_FAIL));
    configure_(TRUE, 0, FALSE);
    CryptReleaseContext(prov, 0);
}

} // namespace
