#include "card_binding_command.h"

#include "dac_serial_dialog.h"
#include "dialogkit/message_box.h"
#include "pin/pin_field.h"
#include "pin/refused_pin_message.h"
#include "resources/resource.h"
#include "token/token_api.h"
#include "token/token_lock.h"

#include <cstring>

namespace {

// How a binding attempt on the open token ended.
enum class Outcome {
    kStopped, // before the serial: nothing for the library to forget
    kNotBound,
    kBound,
};

// Verifies the user PIN; tells the user, while the token is still open, when it is refused.
bool VerifyUserPin(HWND owner, TokenHandle handle, UserPinDialog& pinDialog) {
    if (pinDialog.DoModal(owner) != IDOK)
        return false;
    char userPin[pin::kPinBufferBytes];
    std::memset(userPin, 0, sizeof userPin);
    pinDialog.GetPin(userPin);
    const std::int32_t verified = g_tokenApi.ZQ_ToKenVerifyUser(
        handle, userPin, static_cast<std::int32_t>(std::strlen(userPin)));
    pin::WipeBytes(userPin, sizeof userPin);
    if (verified == kTokenOk)
        return true;
    ShowRefusedPin(owner, g_tokenApi.ZQpro_GetPinTime(handle, 1, 0));
    return false;
}

Outcome BindOnOpenToken(HWND owner, HWND bindButton, TokenHandle handle, UserPinDialog& pinDialog) {
    if (!VerifyUserPin(owner, handle, pinDialog))
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
    const std::int32_t status = g_tokenApi.ZQpro_InitDynamicCode(handle, packed, count);
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

void BindDynamicCard(HWND owner, HWND bindButton, const char* deviceName,
                     UserPinDialog& pinDialog) {
    bool opened = false, closed = false;
    Outcome outcome = Outcome::kStopped;
    {
        // Held across both dialogs and every message shown while the token is open.
        TokenLockBracket bracket;
        TokenHandle handle = 0;
        opened =
            g_tokenApi.ZQ_OpenDev(deviceName, static_cast<std::int32_t>(std::strlen(deviceName)),
                                  &handle) == kTokenOk;
        if (opened) {
            outcome = BindOnOpenToken(owner, bindButton, handle, pinDialog);
            closed = g_tokenApi.ZQ_CloseDev(handle) == kTokenOk;
        }
    }
    if (!opened) {
        dialogkit::ShowTextBox(owner, IDS_OPEN_FAILED, IDS_PROMPT, MB_ICONERROR);
        return;
    }
    // Once a serial was asked for, the library forgets the verified PIN.
    if (outcome != Outcome::kStopped)
        g_tokenApi.ClearPinFromMem(0, 0);
    if (outcome == Outcome::kBound && !closed)
        dialogkit::ShowTextBox(owner, IDS_CLOSE_FAILED, IDS_PROMPT, MB_ICONERROR);
}
