#include "default_pin_dialog.h"

#include "resources/resource.h"

DefaultPinDialog::DefaultPinDialog() : ChangePinDialog(IDD_DEFAULT_PIN) {}

bool DefaultPinDialog::WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (message == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE) {
        *result = 0;
        return true;
    }
    return ChangePinDialog::WindowProc(message, wp, lp, result);
}

bool DefaultPinDialog::PreTranslateMessage(MSG* msg) {
    // The user may not put the change off: Escape, in whatever message it comes, goes nowhere.
    return msg->wParam == VK_ESCAPE;
}
