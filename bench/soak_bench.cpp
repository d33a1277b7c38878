// A tray program that runs for months: Keystead with three tokens (one still on its factory
// PIN, whose prompt is answered once) through plug and pull cycles with the system's device
// notices and as many Refresh presses, sampled from this process before, every 100 cycles and
// after. What it holds must stay flat after the first cycle.
#include "cert_stores.h"
#include "core/rig.h"
#include "keystead_driver.h"
#include "process_figures.h"
#include "store_work.h"
#include "sim_rig.h"
#include "win/device_event.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const char* const kSerials[] = {"K1", "K2", "K3"};

struct Sample {
    int cycle;
    ProcessFigures figures;
    long my, root;
    long long floorPrivateBytes; // the store floor's own process, at the same cycle
};

long CertificatesIn(const char* store) {
    HCERTSTORE s = CertOpenSystemStoreA(0, store);
    long n = 0;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(s, c)) != nullptr;)
        ++n;
    CertCloseStore(s, 0);
    return n;
}

bool SetPlugged(const zqsim::Rig& rig, const char* serial, bool plugged) {
    zqsim::TokenRecord t;
    if (!rig.Load(serial, &t))
        return false;
    t.plugged = plugged;
    return rig.Save(t);
}

// Answers the prompt for the factory PIN once, and the box that follows.
bool AnswerFactoryPrompt(const KeysteadRun& app) {
    HWND prompt = app.WaitForDialog(ResourceText(false, IDS_DEFAULT_PIN_TITLE), 20000);
    if (!prompt)
        return false;
    TypeKeys(GetDlgItem(prompt, IDC_OLD_PIN), "12345678");
    TypeKeys(GetDlgItem(prompt, IDC_NEW_PIN), "135792");
    TypeKeys(GetDlgItem(prompt, IDC_CONFIRM_PIN), "135792");
    if (!AnswerAndWaitGone(prompt, IDOK))
        return false;
    HWND box = app.WaitForDialog(ResourceText(false, IDS_PROMPT), 10000);
    return box && AnswerAndWaitGone(box, IDOK);
}

enum class Part { kBoth, kDevices, kRefresh };

// One cycle: a token pulled out (the removal warning answered), put back, then Refresh; or
// only one of the two, to tell which of them costs what.
bool Cycle(const KeysteadRun& app, const zqsim::Rig& rig, int n, Part part) {
    if (part == Part::kRefresh) {
        app.Send(WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app.main(), IDC_REFRESH)));
        return true;
    }
    const char* serial = kSerials[n % 3];
    const std::string name = zqsim::TokenInterfaceName(serial);
    DWORD_PTR answer = 0;
    if (!SetPlugged(rig, serial, false) ||
        zqsim::SendDeviceEvent(app.main(), false, name, false, false, 200, &answer) ==
            zqsim::EventDelivery::kNoAnswer)
        return false;
    HWND warning = app.WaitForDialog(ResourceText(false, IDS_PULLED_OUT_CAPTION), 10000);
    if (!warning || !AnswerAndWaitGone(warning, IDOK))
        return false;
    if (!SetPlugged(rig, serial, true) ||
        zqsim::SendDeviceEvent(app.main(), true, name, false, false, 20000, &answer) !=
            zqsim::EventDelivery::kHandled)
        return false;
    if (part == Part::kBoth)
        app.Send(WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app.main(), IDC_REFRESH)));
    return true;
}

// The platform's own share: what the cycle's scans ask of the certificate stores (every
// certificate under the token provider removed, the certificates of the tokens plugged in added
// again, the removal made as Keystead makes it), done in "MY" once Keystead has ended, by a
// process that does nothing else. Its growth is what the platform costs, whoever calls it.
class StoreFloor {
  public:
    explicit StoreFloor(std::vector<std::vector<std::string>> certsByToken)
        : certsByToken_(std::move(certsByToken)) {}
    // The scans of cycle n: after the pull (one token out), after the plug, after Refresh.
    void Cycle(int n, Part part) const {
        const int pulled = n % 3;
        if (part != Part::kRefresh) {
            Scan(pulled);
            Scan(-1);
        }
        if (part != Part::kDevices)
            Scan(-1);
    }

  private:
    void Scan(int without) const {
        keystead_bench::RemoveProviderCertificates(kName, kProvider);
        for (int token = 0; token < static_cast<int>(certsByToken_.size()); ++token) {
            if (token == without)
                continue;
            for (const std::string& der : certsByToken_[token])
                keystead_bench::AddWithProvider(
                    kName, reinterpret_cast<const unsigned char*>(der.data()),
                    static_cast<DWORD>(der.size()), kProvider, L"floor", AT_SIGNATURE);
        }
    }

    // Keystead's own store: the floor runs once Keystead has ended.
    static constexpr char kName[] = "MY";
    static constexpr wchar_t kProvider[] = L"VELQ Cryptographic Service Provider v2.0.0";
    std::vector<std::vector<std::string>> certsByToken_;
};

bool Sampled(int n, int cycles) {
    return n == 0 || n == 1 || n % 100 == 0 || n == cycles;
}

// The tokens' certificates as the stand-in holds them, one file each in the rig's folder.
const char* const kTokenCerts[][2] = {
    {"K1 0 exch", "K1 0 sign"}, {"K2 0 exch", "K2 0 sign"}, {"K3 0 sign", nullptr}};

std::string CertFile(const std::string& dir, int token, int which) {
    return dir + "\\floor_" + std::to_string(token) + "_" + std::to_string(which) + ".der";
}

long long OwnPrivateBytes() {
    return SampleProcess(GetCurrentProcess(), GetCurrentProcessId()).privateBytes;
}

// soak_bench --floor CYCLES PART DIR: the store floor alone, printing "cycle private-bytes" at
// the points the soak samples Keystead.
int RunFloor(int cycles, Part part, const std::string& dir) {
    std::vector<std::vector<std::string>> certs(3);
    for (int token = 0; token < 3; ++token)
        for (int which = 0; which < 2 && kTokenCerts[token][which]; ++which)
            certs[token].push_back(ReadFileBytes(CertFile(dir, token, which)));
    const StoreFloor floor(certs);
    for (int n = 0; n <= cycles; ++n) {
        if (n)
            floor.Cycle(n, part);
        if (Sampled(n, cycles))
            std::printf("%d %lld\n", n, OwnPrivateBytes());
    }
    return 0;
}

// Runs the floor in a process of its own and reads its private bytes at each sampled cycle.
std::map<int, long long> FloorGrowth(int cycles, const std::string& part, const std::string& dir) {
    std::map<int, long long> bytes;
    const std::string out = dir + "\\floor.txt";
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + std::string(self) + "\" --floor " + std::to_string(cycles) + " " +
                          (part.empty() ? "both" : part) + " \"" + dir + "\"";
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(file);
    std::ifstream in(out);
    int cycle = 0;
    long long value = 0;
    while (in >> cycle >> value)
        bytes[cycle] = value;
    return bytes;
}

void Print(const Sample& s) {
    const ProcessFigures& f = s.figures;
    std::printf("%7d %8ld %6ld %6ld %8ld %12lld %6ld %6ld\n", s.cycle, f.handles, f.gdiObjects,
                f.userObjects, f.threads, f.privateBytes / 1024, s.my, s.root);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    // soak_bench [cycles] [both|devices|refresh] [nocerts], or soak_bench --floor cycles part dir.
    // With nocerts the tokens hold no certificates, so no scan asks anything of the stores and
    // no floor is needed: whatever grows then is Keystead's own.
    const bool floorOnly = argc == 5 && std::string(argv[1]) == "--floor";
    if (floorOnly)
        ++argv, --argc;
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::string only = argc > 2 ? argv[2] : "";
    const Part part = only == "devices"   ? Part::kDevices
                      : only == "refresh" ? Part::kRefresh
                                          : Part::kBoth;
    if (floorOnly)
        return RunFloor(cycles, part, argv[3]);
    const bool certs = !(argc > 3 && std::string(argv[3]) == "nocerts");
    TestRig rig;
    const zqsim::Rig model(rig.dir());
    SetWindowsVersion("Keystead.exe", "winxp");
    EmptyStore("MY");
    const std::string held = certs ? "both" : "none";
    if (rig.Ctl("create K1 --slot 1 " + std::string(certs ? "--root " : "") +
                "--container One:" + held) != 0 ||
        rig.Ctl("create K2 --changed --slot 2 --container Two:" + held) != 0 ||
        rig.Ctl("create K3 --changed --slot 3 --container Three:" + (certs ? "sign" : held)) != 0) {
        std::fprintf(stderr, "could not make the tokens\n");
        return 1;
    }
    for (int token = 0; token < 3 && certs; ++token)
        for (int which = 0; which < 2 && kTokenCerts[token][which]; ++which)
            if (rig.Ctl(std::string("export-cert ") + kTokenCerts[token][which] + " \"" +
                        CertFile(rig.dir(), token, which) + "\"") != 0) {
                std::fprintf(stderr, "could not export the tokens' certificates\n");
                return 1;
            }
    KeysteadRun app;
    if (!app.Start(rig.dir()) || !AnswerFactoryPrompt(app)) {
        std::fprintf(stderr, "Keystead did not start, or its factory-PIN prompt did not show\n");
        return 1;
    }
    std::printf("%7s %8s %6s %6s %8s %12s %6s %6s\n", "cycle", "handles", "GDI", "USER", "threads",
                "private KiB", "MY", "ROOT");
    std::vector<Sample> samples;
    auto take = [&](int cycle) {
        rig.SettledLogOf(app.pid());
        samples.push_back({cycle, SampleProcess(app.process(), app.pid()), CertificatesIn("MY"),
                           CertificatesIn("ROOT"), 0});
        Print(samples.back());
    };
    take(0);
    bool ok = true;
    for (int n = 1; n <= cycles && ok; ++n) {
        ok = Cycle(app, model, n, part);
        if (rig.Log().size() > 20000)
            rig.ClearLog(); // the stand-in's log would otherwise grow with the soak
        if (Sampled(n, cycles))
            take(n);
    }
    const bool alive = WaitForSingleObject(app.process(), 0) != WAIT_OBJECT_0;
    const std::string tree = app.TreeText();
    const bool treeRight = tree.find("USB_Key_1") != std::string::npos &&
                           tree.find("USB_Key_2") != std::string::npos &&
                           tree.find("USB_Key_3") != std::string::npos;
    app.Kill();
    const std::map<int, long long> floorBytes =
        certs ? FloorGrowth(samples.back().cycle, only, rig.dir()) : std::map<int, long long>();
    for (Sample& sample : samples) {
        const auto at = floorBytes.find(sample.cycle);
        sample.floorPrivateBytes = at == floorBytes.end() ? 0 : at->second;
    }

    // Growth from the first cycle to the last, per 1,000 cycles.
    // Growth per 1,000 cycles from the first cycle on, and over the second half of the run: a
    // count that steps once (a lock's event made at its first contention, which may come at
    // any time) is no growth, while a leak shows in every stretch of the run.
    const Sample& first = samples.size() > 1 ? samples[1] : samples[0];
    const Sample& warm = samples[samples.size() / 2 > 1 ? samples.size() / 2 : samples.size() - 1];
    const Sample& last = samples.back();
    const auto per = [&](const Sample& from) {
        return last.cycle > from.cycle ? 1000.0 / (last.cycle - from.cycle) : 0.0;
    };
    struct Row {
        const char* what;
        double (*value)(const Sample&);
        double goal;
    };
    const Row rows[] = {
        {"handles", [](const Sample& x) { return double(x.figures.handles); }, 0},
        {"GDI objects", [](const Sample& x) { return double(x.figures.gdiObjects); }, 0},
        {"USER objects (windows)", [](const Sample& x) { return double(x.figures.userObjects); },
         0},
        {"threads", [](const Sample& x) { return double(x.figures.threads); }, 0},
        {"certificates in MY", [](const Sample& x) { return double(x.my); }, 0},
        {"certificates in ROOT", [](const Sample& x) { return double(x.root); }, 0},
        {"private KiB", [](const Sample& x) { return double(x.figures.privateBytes) / 1024; }, -1},
        {"store floor private KiB",
         [](const Sample& x) { return double(x.floorPrivateBytes) / 1024; }, -1},
        {"Keystead beyond the floor",
         [](const Sample& x) {
             return double(x.figures.privateBytes - x.floorPrivateBytes) / 1024;
         },
         64},
    };
    std::printf("\n%-26s %14s %16s %10s\n", "growth per 1,000 cycles", "from cycle 1",
                "second half", "goal");
    bool met = ok && alive && treeRight;
    for (const Row& r : rows) {
        const double early = (r.value(last) - r.value(first)) * per(first);
        const double late = (r.value(last) - r.value(warm)) * per(warm);
        const bool within = r.goal < 0 || (r.goal == 0 ? late == 0 : late < r.goal);
        met = met && within;
        std::printf("%-26s %14.1f %16.1f %10s%s\n", r.what, early, late,
                    r.goal < 0    ? ""
                    : r.goal == 0 ? "0"
                                  : "< 64 KiB",
                    within ? "" : "  MISSED");
    }
    std::printf("%d cycles%s; Keystead %s; the tree at the end %s\n", last.cycle,
                ok ? "" : " (stopped: a cycle failed)", alive ? "still runs" : "ENDED",
                treeRight ? "shows the three tokens" : "is WRONG:");
    if (!treeRight)
        std::printf("%s\n", tree.c_str());
    for (const auto& type : last.figures.handlesByType) {
        const auto before = first.figures.handlesByType.find(type.first);
        const long was = before == first.figures.handlesByType.end() ? 0 : before->second;
        if (type.second != was)
            std::printf("handles of object type %d: %ld after the first cycle, %ld at the end\n",
                        type.first, was, type.second);
    }
    EmptyStore("MY");
    return met ? 0 : 1;
}
