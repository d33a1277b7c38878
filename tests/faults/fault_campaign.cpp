// The fault campaign: runs the real Keystead.exe against the stand-in library once per cell
// of the fault matrix, walks the cell's path as a person would, answers whatever shows, and
// checks from outside that Keystead survived with nothing lost and nothing left open.
//
//   fault_campaign [--sample] [--path NAME] [--function NAME] [--trace FILE] [--list]
//   fault_campaign --events [--sample] [--trace FILE] [--list]
//
// --events runs the events axis instead of the library's failures: at every point where a path
// waits, something else happens to Keystead meanwhile.
// --trace names the file that receives this program's standard error, where Wine writes the
// exception trace of the Keystead processes it starts; without it access violations are not
// counted and the summary says so.
#include "cell_checks.h"
#include "cert_stores.h"
#include "event_axis.h"
#include "fault_matrix.h"
#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"
#include "vendor_functions.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace keystead_test;
using namespace fault_campaign;

namespace {

const char kSerialGroups[8][5] = {"12AB", "CDEF", "0000", "9A9B", "12AB", "CDEF", "0000", "9A9B"};
const char kRemovalName[] = "\\\\?\\USBSTOR#CdRom&Ven_VELQ#1";

struct Shown {
    std::string caption, text;
};

struct Outcome {
    bool crashed = false, hung = false, bracket = false, handles = false, lost = false;
    int unexpected = 0, untold = 0, violations = 0;
    std::vector<std::string> problems;
    bool passed() const { return problems.empty(); }
};

bool Answers(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

LONG WINAPI EndQuietly(EXCEPTION_POINTERS*) {
    ExitProcess(0);
}

// Proves that the exception trace of a started program reaches the trace file: a copy of this
// program that makes one access violation must be seen making it.
bool TraceSeesViolations(const std::string& tracePath) {
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --raise-access-violation";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    SetEnvironmentVariableA("WINEDEBUG", "+pid,+seh");
    const bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &si, &pi) != FALSE;
    SetEnvironmentVariableA("WINEDEBUG", "-all");
    if (!started)
        return false;
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return AccessViolations(ReadWhole(tracePath), pi.dwProcessId) == 1;
}

class Campaign {
  public:
    bool Prepare(const std::string& tracePath);
    Outcome Run(const Cell& cell);

  private:
    std::string TokenPath(const char* serial) const {
        return rig_.dir() + "\\" + serial + ".token";
    }
    void PlaceTokens(Path path, bool factoryPin);
    void WriteFaults(const Cell& cell);
    std::vector<LogLine> Log() const { return rig_.LogOf(app_.pid()); }
    bool CalledYet(const std::string& function) const;
    HTREEITEM TreeItem(std::size_t index) const;
    bool SelectItem(std::size_t index) const;
    void Post(int command) const {
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), command)));
    }
    // Answers every window that shows until all is quiet; false when it never got quiet.
    bool Converse(const Cell& cell, bool recovering, Outcome* out);
    void Answer(HWND window, const Cell& cell, bool recovering, Outcome* out);
    void SendRemovalNotice();
    void Recover(const Cell& cell, Outcome* out);

    TestRig rig_;
    KeysteadRun app_;
    std::string tracePath_, viewerDir_;
    std::string t1Changed_, t1Factory_, t2_;
    std::vector<StoredCert> unrelated_;
    // Every certificate on the tokens, the root one too; what "MY" holds after a clean scan.
    std::vector<std::string> held_, t1Certs_, t2Certs_;
    std::vector<std::string> bothCerts_;
    const std::vector<std::string>& MyCertsOf(Path path) const {
        return path == Path::kScan ? bothCerts_ : t1Certs_;
    }
    std::vector<Shown> shown_;
    int prompts_ = 0, pinDialogs_ = 0;
    bool noticeSent_ = false;
};

bool Campaign::Prepare(const std::string& tracePath) {
    tracePath_ = tracePath;
    SetWindowsVersion("Keystead.exe", "winxp");
    if (rig_.Ctl("create T1 --attempts 3 --dac 2 --slot 1 --root --container Alice:both") != 0 ||
        rig_.Ctl("create T2 --changed --pin 246813 --slot 2 --container Bob:exch") != 0)
        return false;
    t1Factory_ = ReadWhole(TokenPath("T1"));
    if (rig_.Ctl(std::string("set T1 default=0 pin=") + kUserPin) != 0)
        return false;
    t1Changed_ = ReadWhole(TokenPath("T1"));
    t2_ = ReadWhole(TokenPath("T2"));
    const std::string exported = rig_.dir() + "\\export.der";
    for (const char* kind : {"exch", "sign"}) {
        if (rig_.Ctl(std::string("export-cert T1 0 ") + kind + " \"" + exported + "\"") != 0)
            return false;
        t1Certs_.push_back(ReadWhole(exported));
    }
    if (rig_.Ctl("export-cert T2 0 exch \"" + exported + "\"") != 0)
        return false;
    t2Certs_.push_back(ReadWhole(exported));
    if (rig_.Ctl("export-cert T1 1 sign \"" + exported + "\"") != 0) // the bank's root
        return false;
    bothCerts_ = t1Certs_;
    bothCerts_.insert(bothCerts_.end(), t2Certs_.begin(), t2Certs_.end());
    held_ = bothCerts_;
    held_.push_back(ReadWhole(exported));

    // Certificates of the user's that have nothing to do with the tokens.
    EmptyStore("MY");
    const std::vector<std::string> cas = DebianCaCertificates();
    if (cas.size() < 3 || !AddToStore("MY", cas[0]) ||
        !AddToStore("MY", cas[1], L"Microsoft Enhanced Cryptographic Provider v1.0") ||
        !AddToStore("MY", cas[2], L"velq Cryptographic Service Provider v2.0.0"))
        return false;
    unrelated_ = ListStore("MY");

    // View Cert hands the file to the shell: a stand-in viewer records that it was started.
    viewerDir_ = MakeTempDir("viewer");
    if (!CopyFileA((TestBinDir() + "\\setup_standin.exe").c_str(),
                   (viewerDir_ + "\\viewer.exe").c_str(), FALSE))
        return false;
    AssociateCer("\"" + viewerDir_ + "\\viewer.exe\" \"%1\"");
    return true;
}

void Campaign::PlaceTokens(Path path, bool factoryPin) {
    WriteWhole(TokenPath("T1"), factoryPin ? t1Factory_ : t1Changed_);
    if (path == Path::kScan)
        WriteWhole(TokenPath("T2"), t2_);
    else
        DeleteFileA(TokenPath("T2").c_str());
}

void Campaign::WriteFaults(const Cell& cell) {
    std::string text;
    if (cell.function == "*") {
        for (const char* f : kVendorFunctionNames)
            text += std::string(f) + " " + cell.rule + "\n";
    } else if (!cell.function.empty()) {
        text = cell.function + " " + ThreadsOf(cell.path) + " " + cell.rule + "\n";
    }
    WriteWhole(rig_.dir() + "\\faults", text);
}

bool Campaign::CalledYet(const std::string& function) const {
    for (const LogLine& line : Log())
        if (line.function == function)
            return true;
    return false;
}

HTREEITEM Campaign::TreeItem(std::size_t index) const {
    const std::vector<keystead_test::TreeItem> tree = app_.Tree();
    return index < tree.size() ? tree[index].handle : nullptr;
}

bool Campaign::SelectItem(std::size_t index) const {
    HTREEITEM item = TreeItem(index);
    DWORD_PTR result = 0;
    return item &&
           SendMessageTimeoutA(app_.tree(), TVM_SELECTITEM, TVGN_CARET,
                               reinterpret_cast<LPARAM>(item), SMTO_NORMAL, 30000, &result) != 0;
}

void Campaign::SendRemovalNotice() {
    noticeSent_ = true;
    rig_.Ctl(std::string("notify removal --name ") + kRemovalName + " --timeout 500");
}

void Campaign::Answer(HWND window, const Cell& cell, bool recovering, Outcome* out) {
    const bool first = !recovering;
    if (GetDlgItem(window, IDC_OLD_PIN)) {
        // Change PIN or the default-PIN prompt: the refused PIN first where the cell needs
        // it, then the right one. A token pulled under the prompt is put back, as a person
        // asked again and again would do.
        ++prompts_;
        if (cell.pull && noticeSent_ && prompts_ > 1)
            PlaceTokens(cell.path, cell.path == Path::kMonitor);
        const char* right = cell.path == Path::kMonitor ? kFactoryPin : kUserPin;
        const char* old = cell.wrongPin && prompts_ == 1 ? kWrongPin : right;
        if (prompts_ > 4) {
            out->problems.push_back("asked for the PIN again and again");
            SendRemovalNotice();
            return;
        }
        TypeKeys(GetDlgItem(window, IDC_OLD_PIN), old);
        TypeKeys(GetDlgItem(window, IDC_NEW_PIN), kNewPin);
        TypeKeys(GetDlgItem(window, IDC_CONFIRM_PIN), kNewPin);
        AnswerAndWaitGone(window, IDOK, 3000);
    } else if (GetDlgItem(window, IDC_USER_PIN)) {
        ++pinDialogs_;
        TypeKeys(GetDlgItem(window, IDC_USER_PIN),
                 cell.wrongPin && pinDialogs_ == 1 && first ? kWrongPin : kUserPin);
        AnswerAndWaitGone(window, IDOK, 3000);
    } else if (GetDlgItem(window, IDC_SERIAL1_GROUP1) && GetDlgItem(window, IDC_SERIAL2_GROUP4)) {
        for (int i = 0; i < 8; ++i)
            TypeKeys(GetDlgItem(window, kCardSerialFields[i]), kSerialGroups[i]);
        AnswerAndWaitGone(window, IDOK, 3000);
    } else if (GetDlgItem(window, kMessageBoxText)) {
        Shown box = {WindowText(window), MessageBoxText(window)};
        if (recovering) {
            ++out->unexpected;
            out->problems.push_back("box while recovering: " + box.text);
        } else {
            shown_.push_back(box);
        }
        const int button = GetDlgItem(window, IDOK) ? IDOK : IDCANCEL;
        if (!AnswerAndWaitGone(window, button, 5000))
            PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        ++out->unexpected;
        out->problems.push_back("unknown window \"" + WindowText(window) + "\"");
        PostMessageA(window, WM_CLOSE, 0, 0);
        Sleep(300);
    }
}

bool Campaign::Converse(const Cell& cell, bool recovering, Outcome* out) {
    const DWORD start = GetTickCount();
    DWORD quietSince = GetTickCount();
    const bool monitorPath = cell.path == Path::kMonitor && !recovering;
    const bool noticeMidway = cell.pull && !recovering &&
                              (cell.path == Path::kChangePin || cell.path == Path::kMonitor ||
                               cell.path == Path::kCardBinding);
    while (GetTickCount() - start < 60000) {
        if (WaitForSingleObject(app_.process(), 0) == WAIT_OBJECT_0)
            return true; // gone: reported by the caller
        bool handled = false;
        for (HWND window : app_.TopWindows()) {
            if (window == app_.main() || !IsWindowVisible(window))
                continue;
            char cls[64] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (std::strcmp(cls, "#32770") != 0)
                continue; // the tray's and the shell's own windows
            Answer(window, cell, recovering, out);
            handled = true;
            break;
        }
        if (noticeMidway && !noticeSent_ && CalledYet(cell.function))
            SendRemovalNotice();
        if (handled) {
            quietSince = GetTickCount();
            continue;
        }
        const std::vector<LogLine> log = Log();
        bool settled = Answers(app_.main(), 300) && CheckCalls(log).bracket.empty();
        if (settled && monitorPath) {
            bool worker = false;
            for (const LogLine& line : log)
                worker = worker || line.tid != log.front().tid;
            settled = worker;
        }
        if (!settled)
            quietSince = GetTickCount();
        else if (GetTickCount() - quietSince >= 1000)
            return true;
        Sleep(100);
    }
    return false;
}

void Campaign::Recover(const Cell& cell, Outcome* out) {
    WriteWhole(rig_.dir() + "\\faults", "");
    PlaceTokens(cell.path, false);
    rig_.ClearLog();
    Post(IDC_REFRESH);
    Cell calm = cell;
    calm.pull = false;
    const DWORD start = GetTickCount();
    while (Log().empty() && GetTickCount() - start < 10000)
        Sleep(100);
    if (Log().empty()) {
        out->problems.push_back("no scan after the fault was gone");
        out->hung = true;
        return;
    }
    if (!Converse(calm, true, out)) {
        out->hung = true;
        out->problems.push_back("no quiet after the rescan");
    }
    rig_.SettledLogOf(app_.pid());
    const std::string fault = StoreFault(ListStore("MY"), unrelated_, held_, &MyCertsOf(cell.path));
    if (!fault.empty()) {
        out->lost = true;
        out->problems.push_back("after the rescan: " + fault);
    }
}

bool Matches(const Message& m, const Shown& box) {
    const std::string text = ResourceText(false, static_cast<UINT>(m.id));
    if (m.byCaption)
        return box.caption == text;
    if (m.id != IDS_WRONG_PIN)
        return box.text == text;
    if (m.anyCount) {
        const std::size_t at = text.find("%d");
        return box.text.compare(0, at, text, 0, at) == 0;
    }
    char formatted[256];
    std::snprintf(formatted, sizeof formatted, text.c_str(), static_cast<int>(m.count));
    return box.text == formatted;
}

std::string Describe(const Message& m) {
    if (m.id == IDS_WRONG_PIN && !m.anyCount)
        return "string 10 (" + std::to_string(m.count) + ")";
    return "string " + std::to_string(m.id);
}

Outcome Campaign::Run(const Cell& cell) {
    Outcome out;
    shown_.clear();
    prompts_ = pinDialogs_ = 0;
    noticeSent_ = false;
    const Expectation expected = Expect(cell);

    WriteWhole(rig_.dir() + "\\faults", "");
    PlaceTokens(cell.path, false);
    DeleteFileA((rig_.dir() + "\\calls.log").c_str());
    DeleteFileA((viewerDir_ + "\\record.txt").c_str());
    const std::string traceBefore = tracePath_.empty() ? "" : ReadWhole(tracePath_);

    // Wine traces the exceptions of Keystead's process, and only of it.
    SetEnvironmentVariableA("WINEDEBUG", "+pid,+seh");
    const bool started = app_.Start(rig_.dir());
    SetEnvironmentVariableA("WINEDEBUG", "-all");
    if (!started) {
        out.crashed = true;
        out.problems.push_back("Keystead did not start");
        app_.Kill();
        return out;
    }
    rig_.SettledLogOf(app_.pid());

    // Up to the point where the fault comes in.
    if (cell.path == Path::kChangePin || cell.path == Path::kCardBinding)
        SelectItem(0);
    if (cell.path == Path::kMonitor)
        PlaceTokens(cell.path, true);
    rig_.ClearLog();
    WriteFaults(cell);

    switch (cell.path) {
    case Path::kScan:
    case Path::kMonitor:
        Post(IDC_REFRESH);
        break;
    case Path::kView:
    case Path::kRegister:
    case Path::kUnregister:
        if (!SelectItem(2)) // T1's encryption certificate
            out.problems.push_back("the certificate could not be selected");
        Post(cell.path == Path::kView       ? IDC_VIEW_CERT
             : cell.path == Path::kRegister ? IDC_REGISTER_CERT
                                            : IDC_UNREGISTER_CERT);
        break;
    case Path::kChangePin:
        Post(IDC_CHANGE_PIN);
        break;
    case Path::kCardBinding:
        Post(IDC_DAC_BINDING);
        break;
    case Path::kSystemInfo:
        Post(IDC_SYSTEM_INFO);
        break;
    }
    Sleep(200);
    bool quiet = Converse(cell, false, &out);
    if (quiet && cell.pull && !noticeSent_ && cell.path != Path::kSystemInfo &&
        CalledYet(cell.function)) {
        SendRemovalNotice();
        quiet = Converse(cell, false, &out);
    }
    const bool alive = WaitForSingleObject(app_.process(), 0) != WAIT_OBJECT_0;
    if (!alive) {
        out.crashed = true;
        out.problems.push_back("Keystead ended");
    } else if (!quiet || !Answers(app_.main(), 5000)) {
        out.hung = true;
        out.problems.push_back("no answer from Keystead's window");
    }

    if (alive && !out.hung) {
        const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
        const CallFindings calls = CheckCalls(log);
        if (!calls.bracket.empty()) {
            out.bracket = true;
            out.problems.push_back(calls.bracket);
        }
        if (!calls.handles.empty()) {
            out.handles = true;
            out.problems.push_back(calls.handles);
        }
        if (cell.path == Path::kSystemInfo && calls.calls > 0)
            out.problems.push_back("System Information called the token library");
        const std::string fault = StoreFault(ListStore("MY"), unrelated_, held_, nullptr);
        if (!fault.empty()) {
            out.lost = true;
            out.problems.push_back(fault);
        }

        // What the user was told.
        std::vector<Shown> unmatched = shown_;
        for (const Message& m : expected.messages) {
            bool found = false;
            for (std::size_t i = 0; i < unmatched.size() && !found; ++i) {
                if (Matches(m, unmatched[i])) {
                    unmatched.erase(unmatched.begin() + static_cast<long>(i));
                    found = true;
                }
            }
            if (!found) {
                ++out.untold;
                out.problems.push_back("not told: " + Describe(m));
            }
        }
        for (const Shown& box : unmatched) {
            bool allowed = false;
            for (const Message& m : expected.allowed)
                allowed = allowed || Matches(m, box);
            if (!allowed) {
                ++out.unexpected;
                out.problems.push_back("unexpected box: \"" + box.caption + "\" " + box.text);
            }
        }
        if (expected.viewerStarts) {
            const DWORD start = GetTickCount();
            while (GetFileAttributesA((viewerDir_ + "\\record.txt").c_str()) ==
                       INVALID_FILE_ATTRIBUTES &&
                   GetTickCount() - start < 5000)
                Sleep(100);
            if (GetFileAttributesA((viewerDir_ + "\\record.txt").c_str()) ==
                INVALID_FILE_ATTRIBUTES)
                out.problems.push_back("the viewer did not start");
        }
        Recover(cell, &out);
    }

    // Ended as another program ends it, unless it no longer answers.
    DWORD code = 1;
    if (alive && !out.hung) {
        PostMessageA(app_.main(), kEndRequest, 0, 0);
        if (!app_.WaitExit(10000, &code) || code != 0)
            out.problems.push_back("did not end cleanly on request");
    }
    app_.Kill();
    WriteWhole(rig_.dir() + "\\faults", "");
    if (!tracePath_.empty()) {
        const std::string trace = ReadWhole(tracePath_);
        out.violations =
            AccessViolations(trace.substr(std::min(traceBefore.size(), trace.size())), app_.pid());
        if (out.violations > 0) {
            out.crashed = true;
            out.problems.push_back(std::to_string(out.violations) + " access violation(s)");
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--raise-access-violation") == 0) {
        SetUnhandledExceptionFilter(EndQuietly);
        volatile int* volatile nowhere = nullptr; // not known to the compiler: a real access
        *nowhere = 1;
        return 1;
    }
    bool sample = false, list = false, events = false;
    std::string path, function, trace;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--sample")
            sample = true;
        else if (a == "--events")
            events = true;
        else if (a == "--list")
            list = true;
        else if (a == "--path" && value)
            path = argv[++i];
        else if (a == "--function" && value)
            function = argv[++i];
        else if (a == "--trace" && value)
            trace = argv[++i];
        else {
            std::fprintf(stderr, "usage: fault_campaign [--events] [--sample] [--path NAME] "
                                 "[--function NAME] [--trace FILE] [--list]\n");
            return 2;
        }
    }
    if (events && list) {
        for (const EventCell& c : sample ? EventSample() : EventMatrix())
            std::printf("%-22s %s\n", PointName(c.point), EventName(c.event));
        return 0;
    }
    std::vector<Cell> cells;
    for (const Cell& c : sample ? SampleCells() : FaultMatrix())
        if ((path.empty() || path == PathName(c.path)) &&
            (function.empty() || function == c.function))
            cells.push_back(c);
    if (list) {
        for (const Cell& c : cells)
            std::printf("%-16s %-27s %-22s %s\n", PathName(c.path), c.function.c_str(),
                        c.kind.c_str(), c.rule.c_str());
        return 0;
    }

    // What the programs it starts print would only garble the cell lines: the C runtime
    // keeps writing these lines where standard output went, the children get nothing.
    SetStdHandle(STD_OUTPUT_HANDLE,
                 CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    if (!trace.empty() && !TraceSeesViolations(trace)) {
        std::printf("fault campaign: Wine's exception trace does not reach %s\n", trace.c_str());
        return 2;
    }
    if (events) {
        std::vector<EventCell> chosen;
        for (const EventCell& c : sample ? EventSample() : EventMatrix())
            if (path.empty() || path == PointName(c.point))
                chosen.push_back(c);
        return RunEventAxis(chosen, trace);
    }
    Campaign campaign;
    if (!campaign.Prepare(trace)) {
        std::printf("fault campaign: the rig could not be prepared\n");
        return 2;
    }
    int passed = 0, crashes = 0, hangs = 0, brackets = 0, handles = 0, lost = 0, unexpected = 0,
        untold = 0;
    const DWORD begin = GetTickCount();
    for (const Cell& c : cells) {
        const DWORD start = GetTickCount();
        const Outcome o = campaign.Run(c);
        passed += o.passed();
        crashes += o.crashed;
        hangs += o.hung;
        brackets += o.bracket;
        handles += o.handles;
        lost += o.lost;
        unexpected += o.unexpected;
        untold += o.untold;
        std::string why;
        for (const std::string& p : o.problems)
            why += (why.empty() ? "" : "; ") + p;
        std::printf("%s %-16s %-27s %-22s %5.1f s%s%s\n", o.passed() ? "PASS" : "FAIL",
                    PathName(c.path), c.function.c_str(), c.kind.c_str(),
                    (GetTickCount() - start) / 1000.0, why.empty() ? "" : "  ", why.c_str());
        std::fflush(stdout);
    }
    std::printf("cells run %zu, passed %d; crashes %d, hangs %d, unbalanced brackets %d, "
                "unclosed handles %d, lost certificates %d, unexpected boxes %d, failures "
                "not told %d; %.0f s%s\n",
                cells.size(), passed, crashes, hangs, brackets, handles, lost, unexpected, untold,
                (GetTickCount() - begin) / 1000.0,
                trace.empty() ? " (access violations not counted: no --trace)" : "");
    EmptyStore("MY");
    ForgetCer();
    return passed == static_cast<int>(cells.size()) ? 0 : 1;
}
