// ZQ_CSP.dll in front of a recording vendor library: every entry point hands over exactly the
// arguments it got, returns exactly TRUE or FALSE, and leaves the vendor's last-error value as
// the vendor set it.
#include "provider_registry.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
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
    // One letter per parameter: P for a handle or pointer, D for a 32-bit value (DWORD, ALG_ID,
    // BOOL). On 64-bit Windows a D travels in a register whose upper half means nothing.
    const char* parameters;
};
// The published provider interface.
const EntryPoint kEntryPoints[] = {{"CPAcquireContext", 1, "PPDP"},
                                   {"CPReleaseContext", 2, "PD"},
                                   {"CPGenKey", 3, "PDDP"},
                                   {"CPDeriveKey", 4, "PDPDP"},
                                   {"CPDestroyKey", 5, "PP"},
                                   {"CPSetKeyParam", 6, "PPDPD"},
                                   {"CPGetKeyParam", 7, "PPDPPD"},
                                   {"CPExportKey", 8, "PPPDDPP"},
                                   {"CPImportKey", 9, "PPDPDP"},
                                   {"CPEncrypt", 11, "PPPDDPPD"},
                                   {"CPDecrypt", 12, "PPPDDPP"},
                                   {"CPCreateHash", 13, "PDPDP"},
                                   {"CPHashData", 14, "PPPDD"},
                                   {"CPHashSessionKey", 15, "PPPD"},
                                   {"CPDestroyHash", 16, "PP"},
                                   {"CPSignHash", 17, "PPDPDPP"},
                                   {"CPVerifySignature", 18, "PPPDPPD"},
                                   {"CPGenRandom", 19, "PDP"},
                                   {"CPGetUserKey", 20, "PDP"},
                                   {"CPSetProvParam", 21, "PDPD"},
                                   {"CPGetProvParam", 22, "PDPPD"},
                                   {"CPSetHashParam", 23, "PPDPD"},
                                   {"CPGetHashParam", 24, "PPDPPD"},
                                   {"CPDuplicateHash", 25, "PPPDP"},
                                   {"CPDuplicateKey", 26, "PPPDP"}};

int Arity(const EntryPoint& e) {
    return static_cast<int>(strlen(e.parameters));
}

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
        if (sizeof(A) > 4) // a handle that needs all 64 bits
            args[0] |= static_cast<A>(static_cast<unsigned long long>(0x7E) << 40);
        EXPECT_EQ(CallWith(f, Arity(e), args), TRUE);
        const ProbeCall call = Last();
        EXPECT_EQ(call.ordinal, e.ordinal);
        ASSERT_EQ(call.count, Arity(e));
        for (int i = 0; i < Arity(e); ++i) {
            if (e.parameters[i] == 'D')
                EXPECT_EQ(static_cast<DWORD>(call.args[i]), static_cast<DWORD>(args[i]))
                    << "argument " << i;
            else
                EXPECT_EQ(call.args[i], args[i]) << "argument " << i;
        }
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
            EXPECT_EQ(CallWith(f, Arity(e), args), vendor ? 1 : 0)
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
        EXPECT_EQ(CallWith(f, Arity(e), args), FALSE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_KEYSET));
        // Also on success, and also when the vendor leaves the value alone.
        configure_(2, 0x1234, TRUE);
        EXPECT_EQ(CallWith(f, Arity(e), args), TRUE);
        EXPECT_EQ(GetLastError(), 0x1234u);
        configure_(FALSE, 0, FALSE);
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(CallWith(f, Arity(e), args), FALSE);
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
