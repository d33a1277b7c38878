#include "subclassed_window.h"

namespace dialogkit {
namespace {

const char kBinding[] = "dialogkit.subclass";

} // namespace

bool SubclassedWindow::SubclassDlgItem(int id, HWND dialog) {
    Unsubclass();
    HWND control = GetDlgItem(dialog, id);
    if (!control || !SetPropA(control, kBinding, this))
        return false;
    hwnd_ = control;
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    OnBound();
    return true;
}

void SubclassedWindow::Unsubclass() {
    if (!hwnd_)
        return;
    if (IsWindow(hwnd_)) {
        OnUnbinding();
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropA(hwnd_, kBinding);
    }
    hwnd_ = nullptr;
    original_ = nullptr;
}

SubclassedWindow* SubclassedWindow::FromHandle(HWND window) {
    return window ? static_cast<SubclassedWindow*>(GetPropA(window, kBinding)) : nullptr;
}

LRESULT SubclassedWindow::Default(UINT message, WPARAM wp, LPARAM lp) {
    return CallWindowProcA(original_, hwnd_, message, wp, lp);
}

LRESULT CALLBACK SubclassedWindow::SubclassProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    SubclassedWindow* self = FromHandle(hwnd);
    if (!self)
        return DefWindowProcA(hwnd, message, wp, lp);
    if (message == WM_NCDESTROY) {
        // The window goes: give it back its own procedure, which cleans up after it.
        WNDPROC original = self->original_;
        self->Unsubclass();
        return CallWindowProcA(original, hwnd, message, wp, lp);
    }
    LRESULT result = 0;
    if (self->WindowProc(message, wp, lp, &result))
        return result;
    return self->Default(message, wp, lp);
}

} // namespace dialogkit
