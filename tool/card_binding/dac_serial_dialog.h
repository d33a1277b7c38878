// The card serial dialog (138): the serial in four groups of four, and again to confirm.
// The fields show what is typed; a card serial is no secret.
#pragma once

#include "dialogkit/modal_dialog.h"
#include "serial_codec.h"

#include <string>

class DacSerialDialog : public dialogkit::ModalDialog {
  public:
    DacSerialDialog();

    // IDOK after an accepted OK, else IDCANCEL.
    INT_PTR DoModal(HWND owner) { return RunModal(owner) == IDOK ? IDOK : IDCANCEL; }

    // The accepted serial, packed: 8 bytes into destination and their count.
    void GetPackedSerial(unsigned char* destination, int& count);

    std::string m_strSerial1;
    std::string m_strSerial2;
    std::string m_strSerial3;
    std::string m_strSerial4;
    std::string m_strConfirm1;
    std::string m_strConfirm2;
    std::string m_strConfirm3;
    std::string m_strConfirm4;
    char m_szSerial[32];
    char m_szConfirm[32];

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    // save false: the texts into the fields with their limit; true: the fields into the texts.
    void DoDataExchange(bool save);

  private:
    int ValidateSerial() const;
};
