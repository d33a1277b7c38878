// The events axis: Keystead is brought to a point where a path waits, something else happens,
// and every window that shows is answered as a person would; then Keystead is judged from
// outside by the library's call log, Wine's exception trace, its windows and its tree.
#include "event_axis.h"

#include "cell_checks.h"
#include "cert_stores.h"
#include "fault_matrix.h"
#include "keystead_driver.h"
#include "sim_rig.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace keystead_test;

namespace fault_campaign {
namespace {

const char kArrival[] = "notify arrival --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#7 --timeout 500";
const char kRemoval[] = "notify removal --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#7 --timeout 500";
const char kSerialGroups[8][5] = {"12AB", "CDEF", "0000", "9A9B", "12AB", "CDEF", "0000", "9A9B"};
const int kCommandButtons[] = {IDC_CHANGE_PIN,      IDC_VIEW_CERT,   IDC_REGISTER_CERT,
                               IDC_UNREGISTER_CERT, IDC_DAC_BINDING, IDC_SYSTEM_INFO};
const int kPinFields[] = {IDC_OLD_PIN, IDC_NEW_PIN, IDC_CONFIRM_PIN, IDC_USER_PIN};

// The tokens, in the order the library lists them: N0 comes in first when plugged, T1 (the
// one the user chose) is listed last, so every scan selects it again.
struct Token {
    const char* serial;
    std::vector<std::string> items; // its tree below the token item
};
const Token kTokens[] = {
    {"N0", {"Neo", "Signature certificate."}},
    {"T2", {"Bo", "Encryption certificate."}},
    {"T1", {"Ann", "Encryption certificate.", "Signature certificate."}},
};

struct Findings {
    int crashes = 0, hangs = 0, foreign = 0, afterUnload = 0, brackets = 0, unmasked = 0, trees = 0,
        secondDialogs = 0;
    std::vector<std::string> problems;
    void Add(int Findings::*count, const std::string& why) {
        ++(this->*count);
        problems.push_back(why);
    }
};

// A message box: its text has the id that Keystead's own dialogs give their labels too.
bool IsBoxOf(HWND window) {
    return GetDlgItem(window, kMessageBoxText) && !GetDlgItem(window, IDC_OLD_PIN) &&
           !GetDlgItem(window, IDC_USER_PIN) && !GetDlgItem(window, IDC_SERIAL2_GROUP4);
}

bool EndsIn(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool CommandWaits(WaitPoint p) {
    return p <= WaitPoint::kQuitBox;
}

class EventRun {
  public:
    bool Prepare(const std::string& tracePath);
    Findings Run(const EventCell& cell);

  private:
    std::string TokenPath(const char* serial) const {
        return rig_.dir() + "\\" + serial + ".token";
    }
    std::vector<LogLine> Log() const { return rig_.LogOf(app_.pid()); }
    bool WaitForCall(const std::string& function, std::size_t after, bool mainThread,
                     DWORD timeoutMs = 10000) const;
    LRESULT Send(UINT message, WPARAM wp, LPARAM lp, DWORD timeoutMs = 1000) const;
    void Click(int id) const {
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), id)));
    }
    std::vector<HWND> Dialogs() const;
    HWND WaitFor(int controlId, DWORD timeoutMs = 10000) const;
    void SelectT1(bool certificate) const;
    void SlowMonitors();
    void FillChange(HWND dialog, const char* oldPin);
    void FillSerial(HWND dialog);
    bool Reach(WaitPoint point);
    void Inject(Event event);
    void CheckMasks(Findings* out) const;
    void Answer(HWND window, bool foreign, Findings* out);
    bool Converse(const std::set<HWND>& foreign, Findings* out);
    void CheckLog(Findings* out) const;
    void CheckTree(Findings* out);

    TestRig rig_;
    KeysteadRun app_;
    std::string tracePath_;
    std::string factoryT1_, changedT1_, t2_, n0_;
    std::string t1Pin_;
    std::set<std::string> plugged_;
    std::set<HWND> filled_;
    int answers_ = 0;
    WaitPoint point_ = WaitPoint::kChangePinDialog;
};

bool EventRun::Prepare(const std::string& tracePath) {
    tracePath_ = tracePath;
    SetWindowsVersion("Keystead.exe", "winxp");
    if (rig_.Ctl("create T1 --attempts 9 --dac 2 --slot 3 --container Ann:both") != 0 ||
        rig_.Ctl("create T2 --changed --pin 246813 --slot 2 --container Bo:exch") != 0 ||
        rig_.Ctl("create N0 --changed --pin 246813 --slot 1 --unplugged --container Neo:sign") != 0)
        return false;
    factoryT1_ = ReadWhole(TokenPath("T1"));
    if (rig_.Ctl(std::string("set T1 default=0 pin=") + kUserPin) != 0)
        return false;
    changedT1_ = ReadWhole(TokenPath("T1"));
    t2_ = ReadWhole(TokenPath("T2"));
    n0_ = ReadWhole(TokenPath("N0"));
    EmptyStore("MY");
    return true;
}

bool EventRun::WaitForCall(const std::string& function, std::size_t after, bool mainThread,
                           DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    do {
        const std::vector<LogLine> log = Log();
        for (std::size_t i = after; i < log.size(); ++i)
            if (log[i].function == function && (log[i].tid == log.front().tid) == mainThread)
                return true;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

LRESULT EventRun::Send(UINT message, WPARAM wp, LPARAM lp, DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(app_.main(), message, wp, lp, SMTO_NORMAL, timeoutMs, &result);
    return static_cast<LRESULT>(result);
}

std::vector<HWND> EventRun::Dialogs() const {
    std::vector<HWND> dialogs;
    for (HWND window : app_.TopWindows()) {
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (window != app_.main() && IsWindowVisible(window) && std::strcmp(cls, "#32770") == 0)
            dialogs.push_back(window);
    }
    return dialogs;
}

HWND EventRun::WaitFor(int controlId, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : Dialogs())
            if (controlId == kMessageBoxText ? IsBoxOf(window)
                                             : GetDlgItem(window, controlId) != nullptr)
                return window;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

void EventRun::SelectT1(bool certificate) const {
    const std::vector<TreeItem> tree = app_.Tree();
    std::size_t token = 0;
    for (std::size_t i = 0; i < tree.size(); ++i)
        if (tree[i].depth == 0)
            token = i;
    const std::size_t index = certificate ? token + 2 : token;
    if (index < tree.size())
        app_.Select(tree[index].handle);
}

// The next scan's monitors hold the bracket 3 s each, one after the other.
void EventRun::SlowMonitors() {
    rig_.Ctl("fault ZQ_IsDefaultPin threads=workers delay=3000");
    const std::size_t mark = Log().size();
    Click(IDC_REFRESH);
    WaitForCall("ZQ_OpenDev", mark, false);
}

void EventRun::FillSerial(HWND dialog) {
    for (int i = 0; i < 8; ++i)
        TypeKeys(GetDlgItem(dialog, kCardSerialFields[i]), kSerialGroups[i]);
    filled_.insert(dialog);
}

void EventRun::FillChange(HWND dialog, const char* oldPin) {
    TypeKeys(GetDlgItem(dialog, IDC_OLD_PIN), oldPin);
    TypeKeys(GetDlgItem(dialog, IDC_NEW_PIN), kNewPin);
    TypeKeys(GetDlgItem(dialog, IDC_CONFIRM_PIN), kNewPin);
    filled_.insert(dialog);
}

bool EventRun::Reach(WaitPoint point) {
    HWND dialog = nullptr;
    switch (point) {
    case WaitPoint::kChangePinDialog:
    case WaitPoint::kChangePinLock:
    case WaitPoint::kChangePinBox:
        if (point == WaitPoint::kChangePinLock)
            SlowMonitors(); // the scan selects T1 again
        else
            SelectT1(false);
        Click(IDC_CHANGE_PIN);
        if (!(dialog = WaitFor(IDC_OLD_PIN)))
            return false;
        FillChange(dialog, t1Pin_.c_str());
        if (point == WaitPoint::kChangePinDialog)
            return true;
        AnswerDialog(dialog, IDOK);
        if (point == WaitPoint::kChangePinLock) {
            Sleep(300); // the command now waits for the bracket
            return true;
        }
        return WaitFor(kMessageBoxText) != nullptr;
    case WaitPoint::kBindingLock:
        SlowMonitors();
        Click(IDC_DAC_BINDING);
        Sleep(300);
        return true;
    case WaitPoint::kBindingPinDialog:
    case WaitPoint::kBindingSerialDialog:
    case WaitPoint::kBindingBox:
        SelectT1(false);
        Click(IDC_DAC_BINDING);
        if (!(dialog = WaitFor(IDC_USER_PIN)))
            return false;
        TypeKeys(GetDlgItem(dialog, IDC_USER_PIN), t1Pin_);
        filled_.insert(dialog);
        if (point == WaitPoint::kBindingPinDialog)
            return true;
        AnswerDialog(dialog, IDOK);
        if (!(dialog = WaitFor(IDC_SERIAL2_GROUP4)))
            return false;
        FillSerial(dialog);
        if (point == WaitPoint::kBindingSerialDialog)
            return true;
        AnswerDialog(dialog, IDOK);
        return WaitFor(kMessageBoxText) != nullptr;
    case WaitPoint::kRegisterBox:
    case WaitPoint::kUnregisterBox:
        SelectT1(true);
        Click(point == WaitPoint::kRegisterBox ? IDC_REGISTER_CERT : IDC_UNREGISTER_CERT);
        return WaitFor(kMessageBoxText) != nullptr;
    case WaitPoint::kSystemInfoBox:
        Click(IDC_SYSTEM_INFO);
        return WaitFor(kMessageBoxText) != nullptr;
    case WaitPoint::kQuitBox:
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(ID_TRAY_QUIT, 0), 0);
        return WaitFor(kMessageBoxText) != nullptr;
    case WaitPoint::kDefaultPinPrompt:
    case WaitPoint::kDefaultPinBox:
        if (!(dialog = WaitFor(IDC_OLD_PIN)))
            return false;
        FillChange(dialog, kFactoryPin);
        if (point == WaitPoint::kDefaultPinPrompt)
            return true;
        AnswerDialog(dialog, IDOK);
        return WaitFor(kMessageBoxText) != nullptr;
    case WaitPoint::kSelectionLock: {
        SlowMonitors();
        const std::vector<TreeItem> tree = app_.Tree();
        DWORD_PTR ignored = 0;
        // It does not come back while the query waits for the bracket.
        return !tree.empty() && (SendMessageTimeoutA(app_.tree(), TVM_SELECTITEM, TVGN_CARET,
                                                     reinterpret_cast<LPARAM>(tree[0].handle),
                                                     SMTO_NORMAL, 300, &ignored),
                                 true);
    }
    case WaitPoint::kScanLock: {
        SlowMonitors();
        // Once the first monitor has ended it has cleared the busy flag; the second holds the
        // bracket, and the scan waits for it.
        const std::size_t mark = Log().size();
        const bool firstEnded = WaitForCall("UnlockUKey", mark, false);
        Sleep(100);
        Click(IDC_REFRESH);
        Sleep(300);
        return firstEnded;
    }
    case WaitPoint::kScanServing: {
        rig_.Ctl("fault ZQ_TokenGetCert threads=main delay=2500 serve=1 nth=1");
        const std::size_t mark = Log().size();
        Click(IDC_REFRESH);
        const bool reached = WaitForCall("ZQ_TokenGetCertSize", mark, true);
        Sleep(200);
        return reached;
    }
    case WaitPoint::kRemovalBox:
        rig_.Ctl("pull T2");
        plugged_.erase("T2");
        rig_.Ctl(kRemoval);
        return WaitFor(kMessageBoxText) != nullptr;
    }
    return false;
}

void EventRun::Inject(Event event) {
    switch (event) {
    case Event::kMenuRefresh:
        Send(WM_COMMAND, MAKEWPARAM(ID_TRAY_REFRESH, 0), 0);
        break;
    case Event::kRefreshButton:
        Send(WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED),
             reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), IDC_REFRESH)));
        break;
    case Event::kNewTokenFirst:
        rig_.Ctl("plug N0");
        plugged_.insert("N0");
        rig_.Ctl(kArrival);
        break;
    case Event::kPullChosen:
    case Event::kPullOther: {
        const char* serial = event == Event::kPullChosen ? "T1" : "T2";
        rig_.Ctl(std::string("pull ") + serial);
        plugged_.erase(serial);
        rig_.Ctl(kRemoval);
        break;
    }
    case Event::kClose:
        Send(WM_CLOSE, 0, 0);
        break;
    case Event::kEndRequest:
        Send(kEndRequest, 0, 0);
        break;
    case Event::kSecondClicks:
        for (int id : kCommandButtons)
            Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), id)), 300);
        break;
    case Event::kShowRequest:
        Send(kShowRequest, 0, 0);
        break;
    }
}

void EventRun::CheckMasks(Findings* out) const {
    for (HWND window : Dialogs())
        for (int id : kPinFields) {
            HWND field = GetDlgItem(window, id);
            if (!field || (id == IDC_USER_PIN && GetDlgItem(window, IDC_SERIAL1_GROUP1)))
                continue;
            const std::string text = WindowText(field);
            if (text.find_first_not_of('*') != std::string::npos)
                out->Add(&Findings::unmasked, "a PIN field shows \"" + text + "\"");
        }
}

void EventRun::Answer(HWND window, bool foreign, Findings* out) {
    ++answers_;
    const bool box = IsBoxOf(window);
    // Where no command waits, a command's dialog can only be one an event started, whenever it
    // shows; the default-PIN prompt (no Cancel button) is the path's own.
    const bool prompt = GetDlgItem(window, IDC_OLD_PIN) && !GetDlgItem(window, IDCANCEL);
    foreign = foreign || (!CommandWaits(point_) && !prompt);
    if (foreign && !box) {
        // A command the event started where one may start: not the path's; cancelled.
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        Sleep(300);
        return;
    }
    if (GetDlgItem(window, IDC_OLD_PIN)) {
        if (!filled_.count(window))
            FillChange(window, t1Pin_.c_str());
        CheckMasks(out);
        AnswerAndWaitGone(window, IDOK, 3000);
    } else if (GetDlgItem(window, IDC_SERIAL2_GROUP4)) {
        if (!filled_.count(window))
            FillSerial(window);
        AnswerAndWaitGone(window, IDOK, 3000);
    } else if (GetDlgItem(window, IDC_USER_PIN)) {
        if (!filled_.count(window))
            TypeKeys(GetDlgItem(window, IDC_USER_PIN), t1Pin_);
        filled_.insert(window);
        CheckMasks(out);
        AnswerAndWaitGone(window, IDOK, 3000);
    } else if (box) {
        if (MessageBoxText(window) == ResourceText(false, IDS_PIN_CHANGED))
            t1Pin_ = kNewPin;
        const int button = GetDlgItem(window, IDOK)   ? IDOK
                           : GetDlgItem(window, IDNO) ? IDNO
                                                      : IDCANCEL;
        if (!AnswerAndWaitGone(window, button, 5000))
            PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        out->problems.push_back("unknown window \"" + WindowText(window) + "\"");
        PostMessageA(window, WM_CLOSE, 0, 0);
        Sleep(300);
    }
}

bool EventRun::Converse(const std::set<HWND>& foreign, Findings* out) {
    const DWORD start = GetTickCount();
    DWORD quietSince = GetTickCount();
    while (GetTickCount() - start < 60000) {
        if (WaitForSingleObject(app_.process(), 0) == WAIT_OBJECT_0)
            return true;
        // Typing into a window whose thread no longer runs would wait for ever. A window that
        // does not answer is either on its way out with its process, or hung.
        DWORD_PTR ignored = 0;
        if (!IsWindow(app_.main()) ||
            !SendMessageTimeoutA(app_.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored))
            return WaitForSingleObject(app_.process(), 10000) == WAIT_OBJECT_0;
        const std::vector<HWND> dialogs = Dialogs();
        if (!dialogs.empty()) {
            if (answers_ > 30)
                return false; // asked again and again
            Answer(dialogs.front(), foreign.count(dialogs.front()) != 0, out);
            quietSince = GetTickCount();
            continue;
        }
        if (!CheckCalls(Log()).bracket.empty())
            quietSince = GetTickCount();
        else if (GetTickCount() - quietSince >= 1000)
            return true;
        Sleep(100);
    }
    return false;
}

// The calls that carry a PIN or change the token go to the token the user chose, whatever
// happened meanwhile: the device opened last, and not yet closed, on the calling thread.
void EventRun::CheckLog(Findings* out) const {
    const std::vector<LogLine> log = Log(); // Keystead has ended: every thread is done
    std::map<DWORD, std::vector<std::string>> opened;
    for (const LogLine& line : log) {
        std::vector<std::string>& stack = opened[line.tid];
        if (line.function == "ZQ_OpenDev" && line.result == 0)
            stack.push_back(line.device);
        else if (line.function == "ZQ_CloseDev" && !stack.empty())
            stack.pop_back();
        else if ((line.function == "ZQ_ToKenChangeUser" || line.function == "ZQ_ToKenVerifyUser" ||
                  line.function == "ZQpro_InitDynamicCode") &&
                 (stack.empty() || !EndsIn(stack.back(), "_T1")))
            out->Add(&Findings::foreign,
                     line.function + " went to " + (stack.empty() ? "no token" : stack.back()));
    }
    const CallFindings calls = CheckCalls(log);
    if (!calls.bracket.empty() || !calls.handles.empty())
        out->Add(&Findings::brackets, calls.bracket + calls.handles);
    bool unloaded = false;
    const int after = rig_.CallsAfterUnload(app_.pid(), &unloaded);
    if (after > 0)
        out->Add(&Findings::afterUnload, std::to_string(after) + " call(s) after the library went");
}

void EventRun::CheckTree(Findings* out) {
    std::vector<std::pair<int, std::string>> wanted;
    int position = 0;
    for (const Token& t : kTokens) {
        if (!plugged_.count(t.serial))
            continue;
        wanted.push_back({0, "USB_Key_" + std::to_string(++position)});
        for (std::size_t i = 0; i < t.items.size(); ++i)
            wanted.push_back({i == 0 ? 1 : 2, t.items[i]});
    }
    if (wanted.empty())
        wanted.push_back({0, ResourceText(false, IDS_NO_DEVICE)});
    std::vector<std::pair<int, std::string>> shown;
    for (const TreeItem& item : app_.Tree())
        shown.push_back({item.depth, item.text});
    if (shown != wanted)
        out->Add(&Findings::trees, "the tree after the next scan:\n" + app_.TreeText());
}

Findings EventRun::Run(const EventCell& cell) {
    Findings out;
    const bool factory =
        cell.point == WaitPoint::kDefaultPinPrompt || cell.point == WaitPoint::kDefaultPinBox;
    WriteWhole(TokenPath("T1"), factory ? factoryT1_ : changedT1_);
    WriteWhole(TokenPath("T2"), t2_);
    WriteWhole(TokenPath("N0"), n0_);
    WriteWhole(rig_.dir() + "\\faults", "");
    DeleteFileA((rig_.dir() + "\\calls.log").c_str());
    t1Pin_ = factory ? kFactoryPin : kUserPin;
    plugged_ = {"T1", "T2"};
    filled_.clear();
    answers_ = 0;
    point_ = cell.point;
    const std::string traceBefore = tracePath_.empty() ? "" : ReadWhole(tracePath_);

    // Wine's heap checking validates every heap call (a double free or a write past a block
    // shows in the trace). It does not fill the C runtime's freed blocks, so a stale record is
    // caught where the next scan's records differ: a new token listed first takes the block.
    SetEnvironmentVariableA("WINEDEBUG", "+pid,+seh,warn+heap");
    const bool started = app_.Start(rig_.dir());
    SetEnvironmentVariableA("WINEDEBUG", "-all");
    if (!started) {
        out.Add(&Findings::crashes, "Keystead did not start");
        app_.Kill();
        return out;
    }
    if (!factory)
        rig_.SettledLogOf(app_.pid());

    const bool ends = cell.event == Event::kClose || cell.event == Event::kEndRequest;
    if (!Reach(cell.point)) {
        out.problems.push_back("the waiting point was not reached");
    } else {
        const std::vector<HWND> before = Dialogs();
        Inject(cell.event);
        WriteWhole(rig_.dir() + "\\faults", "");
        Sleep(300);
        std::set<HWND> foreign;
        for (HWND window : Dialogs())
            if (std::find(before.begin(), before.end(), window) == before.end())
                foreign.insert(window);
        if (cell.event == Event::kSecondClicks && CommandWaits(cell.point))
            for (HWND window : foreign)
                out.Add(&Findings::secondDialogs,
                        "a second command opened \"" + WindowText(window) + "\"" +
                            (IsBoxOf(window) ? ": " + MessageBoxText(window) : ""));
        CheckMasks(&out);
        if (!Converse(foreign, &out))
            out.Add(&Findings::hangs, "no quiet after the event");
    }

    DWORD code = 1;
    const bool alive = WaitForSingleObject(app_.process(), ends ? 10000 : 0) != WAIT_OBJECT_0;
    if (alive && ends) {
        out.Add(&Findings::hangs, "did not end");
    } else if (!alive && !ends) {
        out.Add(&Findings::crashes, "Keystead ended");
    } else if (!alive && (!app_.WaitExit(0, &code) || code != 0)) {
        out.Add(&Findings::crashes, "ended with exit code " + std::to_string(code));
    } else if (alive) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(app_.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored))
            out.Add(&Findings::hangs, "no answer from Keystead's window within 5 s");
    }
    if (alive && out.hangs == 0) {
        // The next scan, with the tokens as they now are.
        rig_.SettledLogOf(app_.pid());
        const std::size_t mark = Log().size();
        Click(IDC_REFRESH);
        WaitForCall("ZQ_ListAllDev", mark, true, 5000);
        Converse({}, &out);
        rig_.SettledLogOf(app_.pid());
        CheckTree(&out);
        PostMessageA(app_.main(), kEndRequest, 0, 0);
        if (!app_.WaitExit(10000, &code) || code != 0)
            out.Add(&Findings::hangs, "did not end cleanly on request");
    }
    if (out.hangs == 0)
        CheckLog(&out);
    app_.Kill();
    if (!tracePath_.empty()) {
        const std::string trace = ReadWhole(tracePath_);
        const int violations =
            AccessViolations(trace.substr(std::min(traceBefore.size(), trace.size())), app_.pid());
        if (violations > 0)
            out.Add(&Findings::crashes, std::to_string(violations) + " access violation(s)");
    }
    return out;
}

} // namespace

const char* PointName(WaitPoint point) {
    static const char* const names[] = {
        "change-pin/dialog",  "change-pin/lock",       "change-pin/box", "binding/lock",
        "binding/pin-dialog", "binding/serial-dialog", "binding/box",    "register/box",
        "unregister/box",     "system-info/box",       "quit/box",       "default-pin/prompt",
        "default-pin/box",    "selection/lock",        "scan/lock",      "scan/serving-call",
        "removal/box"};
    return names[static_cast<int>(point)];
}

const char* EventName(Event event) {
    static const char* const names[] = {"menu-refresh", "refresh-button", "new-token-first",
                                        "pull-chosen",  "pull-other",     "wm-close",
                                        "end-request",  "second-clicks",  "show-request"};
    return names[static_cast<int>(event)];
}

std::vector<EventCell> EventMatrix() {
    std::vector<EventCell> cells;
    for (int p = 0; p <= static_cast<int>(WaitPoint::kRemovalBox); ++p)
        for (int e = 0; e <= static_cast<int>(Event::kShowRequest); ++e)
            cells.push_back({static_cast<WaitPoint>(p), static_cast<Event>(e)});
    return cells;
}

std::vector<EventCell> EventSample() {
    return {
        {WaitPoint::kChangePinDialog, Event::kMenuRefresh},
        {WaitPoint::kChangePinDialog, Event::kSecondClicks},
        {WaitPoint::kChangePinDialog, Event::kNewTokenFirst},
        {WaitPoint::kChangePinLock, Event::kPullChosen},
        {WaitPoint::kBindingPinDialog, Event::kClose},
        {WaitPoint::kBindingSerialDialog, Event::kPullChosen},
        {WaitPoint::kDefaultPinPrompt, Event::kEndRequest},
        {WaitPoint::kSelectionLock, Event::kPullOther},
        {WaitPoint::kScanServing, Event::kRefreshButton},
        {WaitPoint::kQuitBox, Event::kShowRequest},
    };
}

int RunEventAxis(const std::vector<EventCell>& cells, const std::string& tracePath) {
    EventRun run;
    if (!run.Prepare(tracePath)) {
        std::printf("events axis: the rig could not be prepared\n");
        return 2;
    }
    Findings total;
    int passed = 0;
    const DWORD begin = GetTickCount();
    for (const EventCell& cell : cells) {
        const DWORD start = GetTickCount();
        const Findings f = run.Run(cell);
        passed += f.problems.empty();
        for (int Findings::*count :
             {&Findings::crashes, &Findings::hangs, &Findings::foreign, &Findings::afterUnload,
              &Findings::brackets, &Findings::unmasked, &Findings::trees, &Findings::secondDialogs})
            total.*count += f.*count;
        std::string why;
        for (const std::string& p : f.problems)
            why += (why.empty() ? "" : "; ") + p;
        std::printf("%s %-22s %-16s %5.1f s%s%s\n", f.problems.empty() ? "PASS" : "FAIL",
                    PointName(cell.point), EventName(cell.event), (GetTickCount() - start) / 1000.0,
                    why.empty() ? "" : "  ", why.c_str());
        std::fflush(stdout);
    }
    std::printf("events cells run %zu, passed %d; crashes %d, hangs %d, PIN calls to another "
                "token %d, calls after the library went %d, unbalanced brackets %d, unmasked "
                "PIN fields %d, wrong trees %d, second dialogs %d; %.0f s%s\n",
                cells.size(), passed, total.crashes, total.hangs, total.foreign, total.afterUnload,
                total.brackets, total.unmasked, total.trees, total.secondDialogs,
                (GetTickCount() - begin) / 1000.0,
                tracePath.empty() ? " (access violations not counted: no --trace)" : "");
    EmptyStore("MY");
    return passed == static_cast<int>(cells.size()) ? 0 : 1;
}

} // namespace fault_campaign
