#include "change_pin_command.h"

#include "dialogkit/message_box.h"
#include "pin_field.h"
#include "refused_pin_message.h"
#include "resources/resource.h"
#include "token/token_api.h"
#include "token/token_lock.h"

#include <cstring>

namespace {

// What the token said, for the message shown once the token is closed and the lock released.
struct ChangeOutcome {
    UINT text = 0;
    int attemptsLeft = 0;
};

ChangeOutcome ChangeOnToken(const char* deviceName, const char* oldPin, const char* newPin) {
    ChangeOutcome outcome;
    TokenLockBracket bracket;
    TokenHandle handle = 0;
    if (g_tokenApi.ZQ_OpenDev(deviceName, static_cast<std::int32_t>(std::strlen(deviceName)),
                              &handle) != kTokenOk) {
        outcome.text = IDS_OPEN_FAILED;
        return outcome;
    }
    if (g_tokenApi.ZQ_ToKenChangeUser(handle, oldPin,
                                      static_cast<std::int32_t>(std::strlen(oldPin)), newPin,
                                      static_cast<std::int32_t>(std::strlen(newPin))) != kTokenOk) {
        outcome.attemptsLeft = g_tokenApi.ZQpro_GetPinTime(handle, 1, 0);
        g_tokenApi.ZQ_CloseDev(handle);
        outcome.text = outcome.attemptsLeft > 0 ? IDS_WRONG_PIN : IDS_PIN_LOCKED;
        return outcome;
    }
    outcome.text = g_tokenApi.ZQ_CloseDev(handle) != kTokenOk ? IDS_CLOSE_FAILED : IDS_PIN_CHANGED;
    return outcome;
}

} // namespace

void ChangeTokenPin(HWND owner, const char* deviceName, ChangePinDialog& dialog) {
    if (dialog.DoModal(owner) != IDOK)
        return;
    ChangeOutcome outcome;
    {
        const AcceptedPins pins(dialog); // gone before anything is told
        outcome = ChangeOnToken(deviceName, pins.oldPin, pins.newPin);
    }

    if (outcome.text == IDS_WRONG_PIN || outcome.text == IDS_PIN_LOCKED) {
        ShowRefusedPin(owner, outcome.attemptsLeft);
        return;
    }
    dialogkit::ShowTextBox(owner, outcome.text, IDS_PROMPT,
                           outcome.text == IDS_PIN_CHANGED ? MB_ICONINFORMATION : MB_ICONERROR);
}
