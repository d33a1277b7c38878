#include "modal_dialog.h"

#include "subclassed_window.h"

namespace dialogkit {
namespace {

const ModalDialog* g_applicationWindow = nullptr;

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

INT_PTR ModalDialog::RunModal(HWND parent) {
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
        return self->OnInitDialog();
    }
    self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
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
