// What ZQ_CSP.dll adds to a call: cheap calls through CryptoAPI -> ZQ_CSP.dll -> the stand-in,
// against the same calls with the stand-in registered as the provider itself. The two contexts
// are timed in alternating rounds within one run, and each figure is the median of its rounds.
#include "provider_registry.h"
#include "test_paths.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const char kDirect[] = "ZQ Stand-in Provider (direct)";

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HCRYPTPROV Acquire(const char* provider) {
    HCRYPTPROV prov = 0;
    if (!CryptAcquireContextA(&prov, nullptr, provider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        std::fprintf(stderr, "cannot acquire %s: %08lx\n", provider, GetLastError());
        return 0;
    }
    return prov;
}

// Nanoseconds per call of one round.
double RandomRound(HCRYPTPROV prov, int calls) {
    BYTE buffer[16];
    const double start = Now();
    for (int i = 0; i < calls; ++i)
        CryptGenRandom(prov, sizeof buffer, buffer);
    return (Now() - start) * 1e9 / calls;
}

double HashRound(HCRYPTHASH hash, int calls) {
    BYTE data[64] = {};
    const double start = Now();
    for (int i = 0; i < calls; ++i)
        CryptHashData(hash, data, sizeof data, 0);
    return (Now() - start) * 1e9 / calls;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    SetDllDirectoryA(BinDir().c_str());
    const std::string rig = MakeTempDir("bench-rig");
    SetEnvironmentVariableA("ZQSIM_RIG", rig.c_str());
    ScopedProvider viaForwarder(kVelqProvider, BinDir() + "\\ZQ_CSP.dll");
    ScopedProvider direct(kDirect, BinDir() + "\\ZQCSP.dll");
    HCRYPTPROV a = Acquire(kVelqProvider), b = Acquire(kDirect);
    if (!a || !b)
        return 1;
    HCRYPTHASH hashA = 0, hashB = 0;
    if (!CryptCreateHash(a, CALG_SHA1, 0, 0, &hashA) ||
        !CryptCreateHash(b, CALG_SHA1, 0, 0, &hashB))
        return 1;

    const int rounds = 101, calls = 50000;
    std::vector<double> randomA, randomB, hashDataA, hashDataB;
    RandomRound(a, calls); // warm both paths first
    RandomRound(b, calls);
    for (int r = 0; r < rounds; ++r) {
        // Alternate which goes first, so drift favours neither.
        if (r % 2) {
            randomA.push_back(RandomRound(a, calls));
            randomB.push_back(RandomRound(b, calls));
            hashDataA.push_back(HashRound(hashA, calls));
            hashDataB.push_back(HashRound(hashB, calls));
        } else {
            randomB.push_back(RandomRound(b, calls));
            randomA.push_back(RandomRound(a, calls));
            hashDataB.push_back(HashRound(hashB, calls));
            hashDataA.push_back(HashRound(hashA, calls));
        }
    }
    std::printf("%-28s %14s %14s %8s\n", "call", "ZQ_CSP ns", "direct ns", "ratio");
    double worst = 0;
    const struct {
        const char* name;
        const std::vector<double>& through;
        const std::vector<double>& alone;
    } rows[] = {{"CryptGenRandom 16 bytes", randomA, randomB},
                {"CryptHashData 64 bytes", hashDataA, hashDataB}};
    for (const auto& row : rows) {
        const double x = Median(row.through), y = Median(row.alone);
        worst = std::max(worst, x / y);
        std::printf("%-28s %14.1f %14.1f %8.3f\n", row.name, x, y, x / y);
    }
    std::printf("worst ratio ZQ_CSP/direct: %.3f (aim: at most 1.02); %d rounds of %d calls\n",
                worst, rounds, calls);
    CryptDestroyHash(hashA);
    CryptDestroyHash(hashB);
    CryptReleaseContext(a, 0);
    CryptReleaseContext(b, 0);
    RemoveTree(rig);
    return 0;
}
