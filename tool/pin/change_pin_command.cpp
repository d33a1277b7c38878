#include "change_pin_command.h"

#include "dialogkit/message_box.h"
#include "pin_field.h"
#include "refused_pin_message.h"
#include "resources/resource.h"
#include "token/token_session.h"

#include <cstring>

namespace {

// What the token said, for the message shown once the token is closed and the lock released.
struct ChangeOutcome {
    UINT text = 0;
    int attemptsLeft = 0;
};

ChangeOutcome ChangeOnToken(TokenSession& session, const char* oldPin, const char* newPin) {
    ChangeOutcome outcome;
    if (session.Open() != kTokenOk) {
        outcome.text = IDS_OPEN_FAILED;
        return outcome;
    }
    if (session.ChangeUserPin(oldPin, newPin) != kTokenOk) {
        outcome.attemptsLeft = session.PinAttemptsLeft();
        session.Close();
        outcome.text = outcome.attemptsLeft > 0 ? IDS_WRONG_PIN : IDS_PIN_LOCKED;
        return outcome;
    }
    outcome.text = session.Close() != kTokenOk ? IDS_CLOSE_FAILED : IDS_PIN_CHANGED;
    return outcome;
}

} // namespace

void ChangeTokenPin(HWND owner, const DeviceName& device, ChangePinDialog& dialog) {
    if (dialog.DoModal(owner) != IDOK)
        return;
    ChangeOutcome outcome;
    {
        TokenSession session(device);    // the bracket first, then the PINs
        const AcceptedPins pins(dialog); // gone before anything is told
        outcome = ChangeOnToken(session, pins.oldPin, pins.newPin);
    }

    if (outcome.text == IDS_WRONG_PIN || outcome.text == IDS_PIN_LOCKED) {
        ShowRefusedPin(owner, outcome.attemptsLeft);
        return;
    }
    // A PIN changed on a token that then failed to close is still changed: the user must not
    // go on with the old one and spend attempts on it.
    if (outcome.text == IDS_CLOSE_FAILED)
        dialogkit::ShowTextBox(owner, IDS_PIN_CHANGED, IDS_PROMPT, MB_ICONINFORMATION);
    dialogkit::ShowTextBox(owner, outcome.text, IDS_PROMPT,
                           outcome.text == IDS_PIN_CHANGED ? MB_ICONINFORMATION : MB_ICONERROR);
}
