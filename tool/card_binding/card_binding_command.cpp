#include "card_binding_command.h"

#include "dac_serial_dialog.h"
#include "dialogkit/message_box.h"
#include "pin/pin_field.h"
#include "pin/refused_pin_message.h"
#include "resources/resource.h"
#include "token/token_session.h"

#include <cstring>

namespace {

// How a binding attempt on the open token ended.
enum class Outcome {
    kStopped, // before the serial: nothing for the library to forget
    kNotBound,
    kBound,
};

// Verifies the user PIN; tells the user, while the token is still open, when it is refused.
bool VerifyUserPin(HWND owner, TokenSession& session, UserPinDialog& pinDialog) {
    if (pinDialog.DoModal(owner) != IDOK)
        return false;
    char userPin[pin::kPinBufferBytes];
    std::memset(userPin, 0, sizeof userPin);
    pinDialog.GetPin(userPin);
    const std::int32_t verified = session.VerifyUserPin(userPin);
    pin::WipeBytes(userPin, sizeof userPin);
    if (verified == kTokenOk)
        return true;
    ShowRefusedPin(owner, session.PinAttemptsLeft());
    return false;
}

Outcome BindOnOpenToken(HWND owner, HWND bindButton, TokenSession& session,
                        UserPinDialog& pinDialog) {
    if (!VerifyUserPin(owner, session, pinDialog))
        return Outcome::kStopped;
    DacSerialDialog serialDialog; // new for every attempt: its fields start empty
    if (serialDialog.DoModal(nullptr) != IDOK) {
        dialogkit::ShowTextBox(owner, IDS_BINDING_CANCELED, IDS_PROMPT, MB_OK);
        return Outcome::kNotBound;
    }
    unsigned char packed[32];
    std::memset(packed, 0, sizeof packed);
    int count = 0;
    serialDialog.GetPackedSerial(packed, count);
    const std::int32_t status = session.InitDynamicCode(packed, count);
    if (status == kTokenSwSuccess) {
        dialogkit::ShowTextBox(owner, IDS_BOUND, IDS_SUCCESSFUL, MB_ICONINFORMATION);
        EnableWindow(bindButton, FALSE);
        return Outcome::kBound;
    }
    if (status == kTokenSwAlreadyBound)
        dialogkit::ShowTextBox(owner, IDS_ALREADY_BOUND, IDS_PROMPT, MB_OK);
    else
        dialogkit::ShowTextBox(owner, IDS_BINDING_FAILED, IDS_FAILED, MB_ICONERROR);
    return Outcome::kNotBound;
}

} // namespace

void BindDynamicCard(HWND owner, HWND bindButton, const DeviceName& device,
                     UserPinDialog& pinDialog) {
    bool opened = false, closed = false;
    Outcome outcome = Outcome::kStopped;
    // Its bracket is held across both dialogs and every message shown while the token is open.
    TokenSession session(device);
    opened = session.Open() == kTokenOk;
    if (opened) {
        outcome = BindOnOpenToken(owner, bindButton, session, pinDialog);
        closed = session.Close() == kTokenOk;
    }
    session.EndBracket();
    if (!opened) {
        dialogkit::ShowTextBox(owner, IDS_OPEN_FAILED, IDS_PROMPT, MB_ICONERROR);
        return;
    }
    // Once a serial was asked for, the library forgets the verified PIN.
    if (outcome != Outcome::kStopped)
        session.ClearPinFromMem();
    if (outcome == Outcome::kBound && !closed)
        dialogkit::ShowTextBox(owner, IDS_CLOSE_FAILED, IDS_PROMPT, MB_ICONERROR);
}
