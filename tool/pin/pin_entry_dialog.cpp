#include "pin_entry_dialog.h"

#include "dialogkit/message_box.h"
#include "dialogkit/text_exchange.h"
#include "resources/resource.h"

#include <cstring>

namespace {

constexpr int kPinEntryChars = 16;

} // namespace

PinEntryDialog::PinEntryDialog(UINT templateId, int fieldId, bool refuseEmpty)
    : ModalDialog(templateId), fieldId_(fieldId), refuseEmpty_(refuseEmpty) {
    std::memset(m_szPin, 0, sizeof m_szPin);
}

PinEntryDialog::~PinEntryDialog() {
    WipePin();
}

void PinEntryDialog::WipePin() {
    pin::WipeBytes(m_szPin, sizeof m_szPin);
}

INT_PTR PinEntryDialog::DoModal(HWND owner) {
    const INT_PTR result = RunModal(owner);
    m_edPin.Wipe();
    if (result != IDOK)
        WipePin();
    return result == IDOK ? IDOK : IDCANCEL;
}

void PinEntryDialog::GetPin(char* destination) {
    std::memcpy(destination, m_szPin, sizeof m_szPin);
    destination[sizeof m_szPin - 1] = '\0';
    WipePin();
}

void PinEntryDialog::DoDataExchange() {
    dialogkit::ExchangeText(hwnd(), fieldId_, m_strPin, kPinEntryChars);
}

BOOL PinEntryDialog::OnInitDialog() {
    m_strPin.clear();
    m_szPin[0] = '\0';
    DoDataExchange();
    SendMessageA(Item(fieldId_), WM_SETFOCUS, 0, 0);
    m_edPin.SubclassDlgItem(fieldId_, hwnd());
    return TRUE; // the platform gives the first control, the field, the focus
}

void PinEntryDialog::OnOK() {
    WipePin();
    int length = 0;
    m_edPin.ReadPin(m_szPin, length);
    if (length >= 1 || !refuseEmpty_) {
        EndDialog(IDOK);
        return;
    }
    dialogkit::ShowTextBox(hwnd(), IDS_EMPTY_PIN, IDS_PROMPT, MB_OK);
    m_strPin.clear();
    DoDataExchange();
}

UserPinDialog::UserPinDialog() : PinEntryDialog(IDD_USER_PIN, IDC_USER_PIN, true) {}

CertPasswordDialog::CertPasswordDialog()
    : PinEntryDialog(IDD_CERT_PASSWORD, IDC_CERT_PASSWORD, false) {}
