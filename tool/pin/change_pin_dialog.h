// The dialog that asks for the original PIN and the new one twice (dialog 130; the default-PIN
// prompt, dialog 141, is the same dialog on its own template).
#pragma once

#include "dialogkit/modal_dialog.h"
#include "dialogkit/text_exchange.h"
#include "pin_edit.h"

#include <string>

class ChangePinDialog : public dialogkit::ModalDialog {
  public:
    explicit ChangePinDialog(UINT templateId);
    ~ChangePinDialog() override;

    // Empties the fields' texts and runs the dialog; IDOK after an accepted OK, else IDCANCEL.
    INT_PTR DoModal(HWND owner);
    // The accepted PINs, zero-terminated, into buffers of 33 bytes; the dialog keeps no copy.
    void GetPins(char* oldPin, char* newPin);

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    // The member texts into the fields, with each field's limit of 8 characters. The PINs
    // never come back this way: only ReadPin reads them.
    void DoDataExchange();

  private:
    void WipePins();

    // What holds a PIN is the dialog's own: read only through GetPins, wiped when used.
    char m_szOldPin[pin::kPinBufferBytes];
    char m_szNewPin[pin::kPinBufferBytes];
    PinEdit m_edOldPin;
    PinEdit m_edNewPin;
    PinEdit m_edConfirmPin;
    std::string m_strNewPin;
    std::string m_strConfirmPin;
    std::string m_strOldPin;
};

// The two PINs an accepted dialog hands out, kept only as long as this lives.
struct AcceptedPins {
    explicit AcceptedPins(ChangePinDialog& dialog);
    ~AcceptedPins();
    AcceptedPins(const AcceptedPins&) = delete;
    AcceptedPins& operator=(const AcceptedPins&) = delete;

    char oldPin[pin::kPinBufferBytes];
    char newPin[pin::kPinBufferBytes];
};
