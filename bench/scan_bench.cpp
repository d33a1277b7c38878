// What a scan costs: the real Keystead scanning tokens x containers (two certificates each)
// with 0, 100 and 1,000 unrelated certificates in "MY", against its floor, a loop that makes
// only the platform calls a scan must make: the same CRYPT32 calls on the same certificates, the
// same vendor calls, the same tree and button calls on a hidden window of its own and, as the
// scan must, one worker thread for each token that answered.
#include "cert_stores.h"
#include "core/rig.h"
#include "keystead_driver.h"
#include "process_figures.h"
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

namespace {

const wchar_t kVelq[] = L"VELQ Cryptographic Service Provider v2.0.0";
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

template <typename F> F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The window side of a scan, as any program's tree and buttons cost it: the token commands and
// Refresh disabled, the tree emptied and filled with each token's containers and certificates,
// each token expanded, the tree redrawn, the last token selected and the commands enabled for it.
class WindowFloor {
  public:
    WindowFloor() {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&classes);
        owner_ = CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
        tree_ = CreateWindowExA(0, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_LINESATROOT |
                                    TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                                0, 0, 300, 200, owner_, nullptr, nullptr, nullptr);
        for (HWND& button : buttons_)
            button = CreateWindowExA(0, "BUTTON", "command", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20,
                                     owner_, nullptr, nullptr, nullptr);
    }
    ~WindowFloor() { DestroyWindow(owner_); }
    WindowFloor(const WindowFloor&) = delete;
    WindowFloor& operator=(const WindowFloor&) = delete;

    void Begin() {
        for (HWND button : buttons_)
            EnableWindow(button, FALSE);
        TreeView_DeleteAllItems(tree_);
    }
    HTREEITEM Insert(HTREEITEM parent, const char* text) {
        TVINSERTSTRUCTA item = {};
        item.hParent = parent ? parent : TVI_ROOT;
        item.hInsertAfter = TVI_LAST;
        item.item.mask = TVIF_TEXT;
        item.item.pszText = const_cast<char*>(text);
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    void Expand(HTREEITEM token) { TreeView_Expand(tree_, token, TVE_EXPAND); }
    void End(HTREEITEM lastToken) {
        RedrawWindow(tree_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        if (lastToken)
            TreeView_SelectItem(tree_, lastToken);
        for (HWND button : buttons_)
            EnableWindow(button, TRUE);
    }

  private:
    HWND owner_ = nullptr, tree_ = nullptr;
    HWND buttons_[6] = {}; // Refresh and the token commands
};

// The platform's floor of one scan: the vendor calls, the store calls and the window calls a
// scan must make.
class Floor {
  public:
    explicit Floor(HMODULE lib)
        : lock_(Entry<Fn0>(lib, "LockUKey")), unlock_(Entry<Fn0>(lib, "UnlockUKey")),
          list_(Entry<ListFn>(lib, "ZQ_ListAllDev")), open_(Entry<OpenFn>(lib, "ZQ_OpenDev")),
          close_(Entry<HFn>(lib, "ZQ_CloseDev")), sn_(Entry<SnFn>(lib, "ZQPro_GetSn")),
          containers_(Entry<ContFn>(lib, "ZQ_TokenListContainer")),
          size_(Entry<SizeFn>(lib, "ZQ_TokenGetCertSize")),
          cert_(Entry<CertFn>(lib, "ZQ_TokenGetCert")),
          dac_(Entry<HFn>(lib, "ZQpro_IsSupportDynamicCode")) {}

    void Run() {
        window_.Begin();
        keystead_bench::RemoveProviderCertificates("MY", kVelq);

        lock_();
        std::uint32_t size = 0, count = 0;
        list_(nullptr, &size, &count);
        std::vector<char> names(size + 1);
        list_(names.data(), &size, &count);
        std::uint32_t last = 0;
        HTREEITEM lastItem = nullptr;
        std::vector<HANDLE> workers;
        for (std::size_t at = 0; at < size; at += std::strlen(names.data() + at) + 1) {
            std::uint32_t h = 0;
            const char* name = names.data() + at;
            if (open_(name, static_cast<std::int32_t>(std::strlen(name)), &h) != 0)
                continue;
            char serial[64];
            sn_(h, serial);
            lastItem = window_.Insert(nullptr, "USB_Key_1");
            char container[128];
            unsigned char info[820];
            for (std::int32_t first = 1; containers_(h, first, container, info) == 0; first = 0) {
                HTREEITEM containerItem = window_.Insert(lastItem, container);
                for (std::size_t ref : {408u, 0u}) {
                    std::int32_t idLength = 0;
                    std::memcpy(&idLength, info + ref + 128, 4);
                    std::uint32_t certSize = 0;
                    if (size_(h, info + ref, idLength, &certSize) != 0)
                        continue;
                    std::vector<unsigned char> der(certSize);
                    cert_(h, info + ref, idLength, der.data(), certSize);
                    window_.Insert(containerItem, "Signature certificate.");
                    Register(container, der, ref == 408);
                }
            }
            close_(h);
            window_.Expand(lastItem);
            last = at;
            // Each token that answered gets a worker of its own, let go after the scan.
            DWORD id = 0;
            workers.push_back(CreateThread(nullptr, 0, NoWork, nullptr, CREATE_SUSPENDED, &id));
        }
        // The selection at the end asks the last token about card binding.
        std::uint32_t h = 0;
        const char* name = names.data() + last;
        window_.End(lastItem);
        if (open_(name, static_cast<std::int32_t>(std::strlen(name)), &h) == 0) {
            dac_(h);
            close_(h);
        }
        unlock_();
        for (HANDLE worker : workers)
            ResumeThread(worker);
        workers_ = std::move(workers);
    }
    // Outside the timed part, as the benchmark waits for Keystead's monitors: a worker still
    // starting up or ending would otherwise share the platform with the next scan measured.
    void WaitForWorkers() {
        for (HANDLE worker : workers_) {
            WaitForSingleObject(worker, 5000);
            CloseHandle(worker);
        }
        workers_.clear();
    }

  private:
    static DWORD WINAPI NoWork(LPVOID) { return 0; }

    WindowFloor window_;
    std::vector<HANDLE> workers_;

    void Register(const char* container, const std::vector<unsigned char>& der, bool exchange) {
        wchar_t containerW[256] = {};
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, container, -1, containerW, 255);
        keystead_bench::AddWithProvider("MY", der.data(), static_cast<DWORD>(der.size()), kVelq,
                                        containerW, exchange ? AT_KEYEXCHANGE : AT_SIGNATURE);
    }

    typedef std::int32_t (*Fn0)();
    typedef std::int32_t (*HFn)(std::uint32_t);
    typedef std::int32_t (*ListFn)(char*, std::uint32_t*, std::uint32_t*);
    typedef std::int32_t (*OpenFn)(const char*, std::int32_t, std::uint32_t*);
    typedef std::int32_t (*SnFn)(std::uint32_t, char*);
    typedef std::int32_t (*ContFn)(std::uint32_t, std::int32_t, char*, unsigned char*);
    typedef std::int32_t (*SizeFn)(std::uint32_t, const unsigned char*, std::int32_t,
                                   std::uint32_t*);
    typedef std::int32_t (*CertFn)(std::uint32_t, const unsigned char*, std::int32_t,
                                   unsigned char*, std::uint32_t);
    Fn0 lock_, unlock_;
    ListFn list_;
    OpenFn open_;
    HFn close_;
    SnFn sn_;
    ContFn containers_;
    SizeFn size_;
    CertFn cert_;
    HFn dac_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
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
    EmptyStore("MY");
    WriteRig(rig, 1, 1, pool);
    KeysteadRun app;
    if (!app.Start(rigDir)) {
        std::fprintf(stderr, "Keystead did not start\n");
        return 1;
    }
    // Keystead scans from the notification area with its window hidden; measure it so.
    ShowWindow(app.main(), SW_HIDE);
    Sleep(500); // the first scan's monitors end
    const long idleThreads = SampleProcess(app.process(), app.pid()).threads;
    SetEnvironmentVariableA("ZQSIM_RIG", rigDir.c_str());
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
