#include "keystead_driver.h"

#include "lent_memory.h"
#include "test_paths.h"

#include <cstring>

namespace keystead_test {

void SetWindowsVersion(const std::string& exeName, const char* version) {
    const std::string path = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(key);
}

std::string KeysteadPath(bool chinese) {
    return BinDir() + (chinese ? "\\zh-CN" : "") + "\\Keystead.exe";
}

std::string ResourceText(bool chinese, UINT id) {
    HMODULE module =
        LoadLibraryExA(KeysteadPath(chinese).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = {};
    if (module) {
        LoadStringA(module, id, text, sizeof text);
        FreeLibrary(module);
    }
    return text;
}

KeysteadWithoutLibrary::KeysteadWithoutLibrary()
    : dir_(MakeTempDir("alone")), path_(dir_ + "\\Keystead.exe") {
    ok_ = CopyFileA(KeysteadPath().c_str(), path_.c_str(), FALSE) != FALSE;
}

KeysteadWithoutLibrary::~KeysteadWithoutLibrary() {
    RemoveTree(dir_);
}

KeysteadRun::~KeysteadRun() {
    Kill();
}

bool KeysteadRun::Launch(const std::string& rig, const std::string& exe) {
    // The test's own setting comes back afterwards: the test may use the stand-in itself.
    char previous[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableA("ZQSIM_RIG", previous, sizeof previous);
    SetEnvironmentVariableA("ZQSIM_RIG", rig.c_str());
    std::string command = "\"" + exe + "\"" + (arguments_.empty() ? "" : " " + arguments_);
    arguments_.clear();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (output_) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output_;
    }
    const std::string dir =
        workingFolder_.empty() ? exe.substr(0, exe.find_last_of('\\')) : workingFolder_;
    workingFolder_.clear();
    const bool ok = CreateProcessA(nullptr, &command[0], nullptr, nullptr, output_ != nullptr, 0,
                                   nullptr, dir.c_str(), &si, &pi_) != FALSE;
    output_ = nullptr;
    SetEnvironmentVariableA("ZQSIM_RIG", n > 0 && n < sizeof previous ? previous : nullptr);
    return ok;
}

namespace {

struct Search {
    DWORD pid;
    const char* title; // nullptr: any
    const char* className;
    std::vector<HWND>* all;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM data) {
    Search* s = reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid)
        return TRUE;
    if (s->all) {
        s->all->push_back(hwnd);
        return TRUE;
    }
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (s->className && std::strcmp(cls, s->className) != 0)
        return TRUE;
    if (s->title && WindowText(hwnd) != s->title)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

} // namespace

bool KeysteadRun::WaitForMainWindow(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Search s = {pi_.dwProcessId, "Keystead", "#32770", nullptr, nullptr};
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            main_ = s.found;
            // The window exists from the start of its initialisation; the first scan is over
            // once the program waits for input in the window's own message loop. Sent
            // messages are served earlier (while the shell adds the icon), so they prove
            // nothing on their own.
            const DWORD left = timeoutMs - (GetTickCount() - start);
            if (WaitForInputIdle(pi_.hProcess, left) != 0)
                return false;
            DWORD_PTR ignored = 0;
            return SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, left, &ignored) != 0;
        }
        if (WaitForSingleObject(pi_.hProcess, 50) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

bool KeysteadRun::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(pi_.hProcess, exitCode);
    return true;
}

void KeysteadRun::Kill() {
    if (!pi_.hProcess)
        return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 10000);
    }
    // Wine may take an ended process's windows away a moment after the process has ended; a
    // Keystead started meanwhile would find the old one's title and end at once.
    for (int waited = 0; waited < 5000; waited += 20) {
        Search s = {pi_.dwProcessId, nullptr, nullptr, nullptr, nullptr};
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&s));
        if (!s.found)
            break;
        Sleep(20);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = PROCESS_INFORMATION();
    main_ = nullptr;
}

std::vector<TreeItem> KeysteadRun::Tree() const {
    std::vector<TreeItem> items;
    HWND control = tree();
    const SIZE_T textSize = 512;
    LentMemory lent(pi_.dwProcessId, sizeof(TVITEMA) + textSize);
    if (!lent.ok())
        return items;
    auto read = [&](HTREEITEM item, int depth) {
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
        tv.hItem = item;
        tv.stateMask = TVIS_SELECTED;
        tv.pszText = reinterpret_cast<char*>(lent.at(sizeof(TVITEMA)));
        tv.cchTextMax = static_cast<int>(textSize);
        lent.Write(0, &tv, sizeof tv);
        SendMessageA(control, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(lent.at(0)));
        char text[512] = {};
        lent.Read(sizeof(TVITEMA), text, textSize - 1);
        lent.Read(0, &tv, sizeof tv);
        TreeItem t;
        t.handle = item;
        t.depth = depth;
        t.text = text;
        t.selected = (tv.state & TVIS_SELECTED) != 0;
        items.push_back(t);
    };
    auto next = [&](HTREEITEM item, UINT relation) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(control, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    for (HTREEITEM a = next(nullptr, TVGN_ROOT); a; a = next(a, TVGN_NEXT)) {
        read(a, 0);
        for (HTREEITEM b = next(a, TVGN_CHILD); b; b = next(b, TVGN_NEXT)) {
            read(b, 1);
            for (HTREEITEM c = next(b, TVGN_CHILD); c; c = next(c, TVGN_NEXT))
                read(c, 2);
        }
    }
    return items;
}

std::string KeysteadRun::TreeText() const {
    std::string text;
    for (const TreeItem& item : Tree())
        text += std::string(static_cast<std::size_t>(item.depth) * 2, ' ') +
                (item.selected ? "*" : "") + item.text + "\n";
    return text;
}

bool KeysteadRun::Select(HTREEITEM item) const {
    return SendMessageA(tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

void KeysteadRun::Click(int id) const {
    HWND button = GetDlgItem(main_, id);
    // As a click does: only an enabled button reacts.
    if (IsWindowEnabled(button))
        SendMessageA(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
}

LRESULT KeysteadRun::Send(UINT message, WPARAM wp, LPARAM lp) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main_, message, wp, lp, SMTO_NORMAL, 20000, &result);
    return static_cast<LRESULT>(result);
}

HWND KeysteadRun::WaitForDialog(const std::string& title, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    do {
        Search s = {pi_.dwProcessId, title.c_str(), "#32770", nullptr, nullptr};
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&s));
        if (s.found && s.found != main_)
            return s.found;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::vector<HWND> KeysteadRun::TopWindows() const {
    std::vector<HWND> all;
    Search s = {pi_.dwProcessId, nullptr, nullptr, &all, nullptr};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&s));
    return all;
}

std::string WindowText(HWND hwnd) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        5000, &copied);
    return std::string(text, copied < sizeof text ? copied : 0);
}

void PressKey(HWND field, UINT virtualKey, char character) {
    SendMessageA(field, WM_KEYDOWN, virtualKey, 0);
    if (character)
        SendMessageA(field, WM_CHAR, static_cast<unsigned char>(character), 0);
    SendMessageA(field, WM_KEYUP, virtualKey, 0);
}

void TypeKeys(HWND field, const std::string& keys) {
    for (char c : keys)
        PressKey(field, c == ' ' ? VK_SPACE : LOBYTE(VkKeyScanA(c)), c);
}

std::string MessageBoxText(HWND box) {
    return WindowText(GetDlgItem(box, kMessageBoxText));
}

void AnswerDialog(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

bool AnswerAndWaitGone(HWND box, int buttonId, DWORD timeoutMs) {
    AnswerDialog(box, buttonId);
    for (const DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < timeoutMs;)
        Sleep(20);
    return !IsWindow(box);
}

} // namespace keystead_test
