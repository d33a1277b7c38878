// Dialogs that ask for one PIN in a masked field: the user PIN before a card binding (dialog
// 140) and the certificate password (dialog 137, which no command shows).
#pragma once

#include "dialogkit/modal_dialog.h"
#include "pin_edit.h"

#include <string>

class PinEntryDialog : public dialogkit::ModalDialog {
  public:
    ~PinEntryDialog() override;

    // Empties the field and runs the dialog; IDOK after an accepted OK, else IDCANCEL.
    INT_PTR DoModal(HWND owner);
    // The accepted PIN, zero-terminated, into a buffer of 33 bytes; the dialog keeps no copy.
    void GetPin(char* destination);

  protected:
    PinEntryDialog(UINT templateId, int fieldId, bool refuseEmpty);
    BOOL OnInitDialog() override;
    void OnOK() override;
    // The member text into the field, with the field's limit of 16 characters.
    void DoDataExchange();

  private:
    void WipePin();

    // What holds the PIN is the dialog's own: read only through GetPin, wiped when used.
    std::string m_strPin;
    PinEdit m_edPin;
    char m_szPin[pin::kPinBufferBytes];
    int fieldId_;
    bool refuseEmpty_;
};

class UserPinDialog : public PinEntryDialog {
  public:
    UserPinDialog();
};

// Takes whatever was typed, an empty password too.
class CertPasswordDialog : public PinEntryDialog {
  public:
    CertPasswordDialog();
};
