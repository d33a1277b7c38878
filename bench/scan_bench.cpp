// What a scan costs: the real Keystead scanning tokens x containers (two certificates each)
// with 0, 100 and 1,000 unrelated certificates in "MY", against its floor, a loop that makes
// only the platform calls a scan must make: the same CRYPT32 calls on the same certificates, the
// same vendor calls, the same tree and button calls on a hidden window of its own and, as the
// scan must, one worker thread for each token that answered.
#include "cert_stores.h"
#include "core/rig.h"
#include "keystead_driver.h"
#include "process_figures.h"
#include "scan_floor.h"
#include "store_work.h"
#include "test_paths.h"

#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace keystead_test;
using namespace keystead_bench;

namespace {

// Every registration opens "MY" afresh and so reads it whole: with 1,000 certificates there
// each one costs most of a second under Wine, so that row is measured once and only up to
// 16 certificates per scan.
// The small points take a few tens of milliseconds, where the platform's own scheduling varies
// most, so they are repeated most.
int RepeatsFor(int unrelated, int certs) {
    return unrelated >= 1000 ? 1 : unrelated >= 100 ? 3 : certs <= 8 ? 31 : 9;
}
bool Measured(int unrelated, int tokens, int containers) {
    return unrelated < 1000 || tokens * containers <= 8;
}

void AddUnrelated(const std::vector<std::string>& certs) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    for (const std::string& der : certs) {
        PCCERT_CONTEXT c = CertCreateCertificateContext(X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size()));
        CertAddCertificateContextToStore(store, c, CERT_STORE_ADD_ALWAYS, nullptr);
        CertFreeCertificateContext(c);
    }
    CertCloseStore(store, 0);
}

} // namespace

// scan_bench [unrelated...]: the rows of those counts of unrelated certificates only (0, 100,
// 1000 by default).
int main(int argc, char** argv) {
    std::vector<int> rows;
    for (int i = 1; i < argc; ++i)
        rows.push_back(std::min(std::max(std::atoi(argv[i]), 0), 1000));
    if (rows.empty())
        rows = {0, 100, 1000};
    const std::string rigDir = MakeTempDir("benchrig");
    const zqsim::Rig rig(rigDir);
    SetWindowsVersion("Keystead.exe", "winxp");
    std::printf("making certificates...\n");
    std::fflush(stdout);
    const std::vector<std::string> pool = MakeCertificates(128);
    const std::vector<std::string> unrelated = MakeCertificates(1000);
    if (pool.size() < 128 || unrelated.size() < 1000) {
        std::fprintf(stderr, "could not make the certificates\n");
        return 1;
    }
    // Keystead scans from the notification area with its window hidden; measure it so.
    KeysteadRun app;
    if (!StartHiddenOverRig(app, rig, rigDir, pool))
        return 1;
    Sleep(500); // the first scan's monitors end
    const long idleThreads = SampleProcess(app.process(), app.pid()).threads;
    HMODULE lib = LoadLibraryA((BinDir() + "\\ZQCSP.dll").c_str());
    Floor floor(lib);
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);

    std::printf("%7s %10s %10s %9s %9s %7s %13s\n", "tokens", "containers", "unrelated", "scan ms",
                "floor ms", "ratio", "scan us/cert");
    double worst = 0;
    for (int u : rows) {
        EmptyStore("MY");
        AddUnrelated(std::vector<std::string>(unrelated.begin(), unrelated.begin() + u));
        std::vector<std::pair<int, double>> perCerts;
        for (int tokens : {1, 2, 4, 8}) {
            for (int containers : {1, 2, 4, 8}) {
                if (!Measured(u, tokens, containers))
                    continue;
                WriteRig(rig, tokens, containers, pool);
                std::vector<double> scans, floors;
                // The first rounds on a new rig find its files and the stores cold; the small
                // points, where that weighs most, leave them out.
                const int warmUp = u == 0 && tokens * containers * 2 <= 8 ? 2 : 0;
                for (int r = -warmUp; r < RepeatsFor(u, tokens * containers * 2); ++r) {
                    LARGE_INTEGER a, b, c;
                    QueryPerformanceCounter(&a);
                    app.Send(WM_COMMAND, MAKEWPARAM(1012, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(app.main(), 1012)));
                    QueryPerformanceCounter(&b);
                    // The monitors the scan let go run on after it; the floor is measured
                    // once they are done, so that neither waits for the other.
                    for (int waited = 0;
                         waited < 5000 &&
                         SampleProcess(app.process(), app.pid()).threads > idleThreads;
                         waited += 10)
                        Sleep(10);
                    LARGE_INTEGER d;
                    QueryPerformanceCounter(&d);
                    floor.Run();
                    QueryPerformanceCounter(&c);
                    floor.WaitForWorkers();
                    c.QuadPart -= d.QuadPart - b.QuadPart;
                    if (r < 0)
                        continue;
                    scans.push_back(Seconds(a, b, freq) * 1000);
                    floors.push_back(Seconds(b, c, freq) * 1000);
                }
                const double scan = Median(scans), base = Median(floors);
                const int certs = tokens * containers * 2;
                worst = std::max(worst, scan / base);
                perCerts.push_back({certs, scan * 1000 / certs});
                std::printf("%7d %10d %10d %9.1f %9.1f %7.2f %13.0f\n", tokens, containers, u, scan,
                            base, scan / base, scan * 1000 / certs);
                std::fflush(stdout);
            }
        }
        // Linear growth: the cost per certificate at the largest point measured stays within
        // twice that at the smallest.
        const auto small = *std::min_element(perCerts.begin(), perCerts.end());
        const auto large = *std::max_element(perCerts.begin(), perCerts.end());
        std::printf("unrelated=%d: cost per certificate %.0f us at %d, %.0f us at %d: %s\n", u,
                    small.second, small.first, large.second, large.first,
                    large.second <= 2 * small.second ? "grows linearly"
                                                     : "grows faster than linearly");
    }
    std::printf("worst ratio scan/floor: %.2f (aim: at most 1.30)\n", worst);
    FreeLibrary(lib);
    app.Kill();
    EmptyStore("MY");
    RemoveTree(rigDir);
    return 0;
}
