#include "modal_dialog.h"

#include "subclassed_window.h"

namespace dialogkit {

INT_PTR ModalDialog::RunModal(HWND parent) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
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
