#include "default_pin_dialog.h"

#include "resources/resource.h"

DefaultPinDialog::DefaultPinDialog() : ChangePinDialog(IDD_DEFAULT_PIN) {}

bool DefaultPinDialog::PreTranslateMessage(MSG* msg) {
    // The user may not put the change off: Escape, in whatever message it comes, goes nowhere.
    return msg->wParam == VK_ESCAPE;
}
