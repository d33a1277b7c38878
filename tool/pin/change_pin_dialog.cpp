#include "change_pin_dialog.h"

#include "dialogkit/message_box.h"
#include "pin_policy.h"
#include "resources/resource.h"

#include <cstring>

namespace {

constexpr int kPinFieldChars = 8;

} // namespace

ChangePinDialog::ChangePinDialog(UINT templateId) : ModalDialog(templateId) {
    std::memset(m_szOldPin, 0, sizeof m_szOldPin);
    std::memset(m_szNewPin, 0, sizeof m_szNewPin);
}

ChangePinDialog::~ChangePinDialog() {
    WipePins();
}

void ChangePinDialog::WipePins() {
    pin::WipeBytes(m_szOldPin, sizeof m_szOldPin);
    pin::WipeBytes(m_szNewPin, sizeof m_szNewPin);
}

INT_PTR ChangePinDialog::DoModal(HWND owner) {
    m_strNewPin.clear();
    m_strConfirmPin.clear();
    m_strOldPin.clear();
    const INT_PTR result = RunModal(owner);
    // What was typed is forgotten with the dialog; only an accepted OK keeps the two PINs,
    // until GetPins hands them out.
    m_edOldPin.Wipe();
    m_edNewPin.Wipe();
    m_edConfirmPin.Wipe();
    if (result != IDOK)
        WipePins();
    return result == IDOK ? IDOK : IDCANCEL;
}

void ChangePinDialog::GetPins(char* oldPin, char* newPin) {
    std::memcpy(oldPin, m_szOldPin, sizeof m_szOldPin);
    std::memcpy(newPin, m_szNewPin, sizeof m_szNewPin);
    oldPin[sizeof m_szOldPin - 1] = '\0';
    newPin[sizeof m_szNewPin - 1] = '\0';
    WipePins();
}

void ChangePinDialog::DoDataExchange() {
    dialogkit::ExchangeText(hwnd(), IDC_NEW_PIN, m_strNewPin, kPinFieldChars);
    dialogkit::ExchangeText(hwnd(), IDC_CONFIRM_PIN, m_strConfirmPin, kPinFieldChars);
    dialogkit::ExchangeText(hwnd(), IDC_OLD_PIN, m_strOldPin, kPinFieldChars);
}

BOOL ChangePinDialog::OnInitDialog() {
    DoDataExchange();
    SetFocus(Item(IDC_OLD_PIN));
    m_strNewPin.clear();
    m_strConfirmPin.clear();
    m_strOldPin.clear();
    m_szOldPin[0] = '\0';
    m_szNewPin[0] = '\0';
    DoDataExchange();
    m_edOldPin.SubclassDlgItem(IDC_OLD_PIN, hwnd());
    m_edNewPin.SubclassDlgItem(IDC_NEW_PIN, hwnd());
    m_edConfirmPin.SubclassDlgItem(IDC_CONFIRM_PIN, hwnd());
    return FALSE; // the focus is set
}

void ChangePinDialog::OnOK() {
    WipePins();
    char confirmPin[pin::kPinBufferBytes];
    std::memset(confirmPin, 0, sizeof confirmPin);
    int oldLength = 0, newLength = 0, confirmLength = 0;
    m_edOldPin.ReadPin(m_szOldPin, oldLength);
    m_edNewPin.ReadPin(m_szNewPin, newLength);
    m_edConfirmPin.ReadPin(confirmPin, confirmLength);
    const int refusal =
        pin::CheckNewPin(m_szOldPin, oldLength, m_szNewPin, newLength, confirmPin, confirmLength);
    pin::WipeBytes(confirmPin, sizeof confirmPin);
    if (refusal == pin::kPinAccepted) {
        EndDialog(IDOK);
        return;
    }
    WipePins();
    dialogkit::ShowTextBox(hwnd(), static_cast<UINT>(refusal), IDS_PROMPT,
                           pin::RefusalStyle(refusal));
    m_strNewPin.clear();
    m_strConfirmPin.clear();
    m_strOldPin.clear();
    DoDataExchange();
}

AcceptedPins::AcceptedPins(ChangePinDialog& dialog) {
    std::memset(oldPin, 0, sizeof oldPin);
    std::memset(newPin, 0, sizeof newPin);
    dialog.GetPins(oldPin, newPin);
}

AcceptedPins::~AcceptedPins() {
    pin::WipeBytes(oldPin, sizeof oldPin);
    pin::WipeBytes(newPin, sizeof newPin);
}
