#include "modal_dialog.h"

#include "subclassed_window.h"

namespace dialogkit {
namespace {

const ModalDialog* g_applicationWindow = nullptr;

// Set once, never cleared: the process is on its way out.
volatile LONG g_ending = 0;

// The windows of the dialogs running now, on every thread. Made before WinMain, while the
// process has one thread.
struct OpenDialogs {
    OpenDialogs() { InitializeCriticalSection(&lock); }
    static constexpr int kMax = 32; // nesting deeper than this is not kept track of
    CRITICAL_SECTION lock;
    HWND windows[kMax] = {};

    void Add(HWND window) {
        EnterCriticalSection(&lock);
        for (HWND& slot : windows)
            if (!slot) {
                slot = window;
                break;
            }
        LeaveCriticalSection(&lock);
    }
    void Remove(HWND window) {
        EnterCriticalSection(&lock);
        for (HWND& slot : windows)
            if (slot == window)
                slot = nullptr;
        LeaveCriticalSection(&lock);
    }
    bool Contains(HWND window) {
        EnterCriticalSection(&lock);
        bool found = false;
        for (HWND slot : windows)
            found = found || (window && slot == window);
        LeaveCriticalSection(&lock);
        return found;
    }
};

OpenDialogs g_openDialogs;

void PostClick(HWND window, int button) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
}

// Every top-level dialog-class window of this process but the main window: our dialogs get
// Cancel, which each of them treats as the user's; boxes (ours and the system's) the button
// that stands for it.
BOOL CALLBACK CancelDialogWindow(HWND window, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    if (pid != GetCurrentProcessId() || window == ApplicationWindow() ||
        !GetClassNameA(window, cls, sizeof cls) || lstrcmpA(cls, "#32770") != 0)
        return TRUE;
    if (g_openDialogs.Contains(window) || GetDlgItem(window, IDCANCEL))
        PostClick(window, IDCANCEL);
    else if (GetDlgItem(window, IDNO))
        PostClick(window, IDNO);
    else if (GetDlgItem(window, IDOK))
        PostClick(window, IDOK);
    else
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// The innermost dialog running on each thread. Made before WinMain, while the process has
// one thread.
const DWORD g_runningDialog = TlsAlloc();

ModalDialog* InnermostDialog() {
    return g_runningDialog == TLS_OUT_OF_INDEXES
               ? nullptr
               : static_cast<ModalDialog*>(TlsGetValue(g_runningDialog));
}

HWND TopLevelOf(HWND window) {
    while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        window = GetParent(window);
    return window;
}

} // namespace

void SetApplicationWindow(const ModalDialog* main) {
    g_applicationWindow = main;
}

HWND ApplicationWindow() {
    HWND window = g_applicationWindow ? g_applicationWindow->hwnd() : nullptr;
    return window && IsWindow(window) ? window : nullptr;
}

void EndOpenDialogs() {
    InterlockedExchange(&g_ending, 1);
    EnumWindows(CancelDialogWindow, 0);
}

bool ApplicationEnding() {
    return InterlockedCompareExchange(&g_ending, 0, 0) != 0;
}

INT_PTR ModalDialog::RunModal(HWND parent) {
    // A second run on the same object would take over its window and its fields.
    if (running_ || ApplicationEnding())
        return IDCANCEL;
    running_ = true;
    if (!parent)
        parent = ApplicationWindow();
    // One filter per thread, set by its outermost dialog, sees what every dialog loop of the
    // thread takes from the queue; it hands each message to the dialog it is for.
    outer_ = InnermostDialog();
    filter_ = nullptr;
    if (!outer_)
        filter_ =
            SetWindowsHookExA(WH_MSGFILTER, FilterQueuedMessage, nullptr, GetCurrentThreadId());
    if (g_runningDialog != TLS_OUT_OF_INDEXES)
        TlsSetValue(g_runningDialog, this);
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_),
                                           parent, DialogProc, reinterpret_cast<LPARAM>(this));
    if (g_runningDialog != TLS_OUT_OF_INDEXES)
        TlsSetValue(g_runningDialog, outer_);
    if (filter_)
        UnhookWindowsHookEx(filter_);
    filter_ = nullptr;
    outer_ = nullptr;
    hwnd_ = nullptr;
    running_ = false;
    return result;
}

LRESULT CALLBACK ModalDialog::FilterQueuedMessage(int code, WPARAM wp, LPARAM lp) {
    ModalDialog* innermost = InnermostDialog();
    ModalDialog* outermost = innermost;
    while (outermost && outermost->outer_)
        outermost = outermost->outer_;
    const HHOOK filter = outermost ? outermost->filter_ : nullptr;
    MSG* msg = reinterpret_cast<MSG*>(lp);
    if (code == MSGF_DIALOGBOX && msg) {
        const HWND top = TopLevelOf(msg->hwnd);
        for (ModalDialog* d = innermost; d && top; d = d->outer_) {
            if (d->hwnd_ == top)
                return d->PreTranslateMessage(msg) ? TRUE : CallNextHookEx(filter, code, wp, lp);
        }
    }
    return CallNextHookEx(filter, code, wp, lp);
}

void ModalDialog::EndDialog(INT_PTR code) {
    if (hwnd_)
        ::EndDialog(hwnd_, code);
}

bool ModalDialog::DispatchMessageTable(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

bool ModalDialog::WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (DispatchMessageTable(message, wp, lp, result))
        return true;
    // Buttons 1 and 2, and Enter and Escape, which the platform turns into them.
    if (message == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        if (LOWORD(wp) == IDOK) {
            OnOK();
            *result = 0;
            return true;
        }
        if (LOWORD(wp) == IDCANCEL) {
            OnCancel();
            *result = 0;
            return true;
        }
    }
    return false;
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    ModalDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialog*>(lp);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        g_openDialogs.Add(hwnd);
        // Cancelled as it opens: the application began to end while it was being made.
        if (ApplicationEnding())
            PostClick(hwnd, IDCANCEL);
        return self->OnInitDialog();
    }
    self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY)
        g_openDialogs.Remove(hwnd);
    // A subclassed control's notices go back to the control; this dialog does not see them.
    if (message == WM_COMMAND && SubclassedWindow::FromHandle(reinterpret_cast<HWND>(lp))) {
        SendMessageA(reinterpret_cast<HWND>(lp), kReflectedCommand, wp, lp);
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    LRESULT result = 0;
    if (!self->WindowProc(message, wp, lp, &result))
        return FALSE;
    switch (message) {
    // These answer through the procedure's return value itself.
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

} // namespace dialogkit
