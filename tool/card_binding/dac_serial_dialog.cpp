#include "dac_serial_dialog.h"

#include "dialogkit/message_box.h"
#include "dialogkit/text_exchange.h"
#include "resources/resource.h"

#include <cstring>

namespace {

// Joins four groups of exactly four characters into 16 characters and zero bytes.
void JoinGroups(char (&joined)[32], const std::string* const (&groups)[card::kGroupsPerEntry]) {
    std::memset(joined, 0, sizeof joined);
    for (int i = 0; i < card::kGroupsPerEntry; ++i)
        std::memcpy(joined + i * card::kGroupChars, groups[i]->data(), card::kGroupChars);
}

} // namespace

DacSerialDialog::DacSerialDialog() : ModalDialog(IDD_DAC_SERIAL) {
    std::memset(m_szSerial, 0, sizeof m_szSerial);
    std::memset(m_szConfirm, 0, sizeof m_szConfirm);
}

void DacSerialDialog::DoDataExchange(bool save) {
    const struct {
        int id;
        std::string* text;
    } fields[] = {
        {IDC_SERIAL1_GROUP1, &m_strSerial1},  {IDC_SERIAL1_GROUP2, &m_strSerial2},
        {IDC_SERIAL1_GROUP3, &m_strSerial3},  {IDC_SERIAL1_GROUP4, &m_strSerial4},
        {IDC_SERIAL2_GROUP1, &m_strConfirm1}, {IDC_SERIAL2_GROUP2, &m_strConfirm2},
        {IDC_SERIAL2_GROUP3, &m_strConfirm3}, {IDC_SERIAL2_GROUP4, &m_strConfirm4},
    };
    for (const auto& field : fields) {
        if (save)
            dialogkit::ReadText(hwnd(), field.id, *field.text, card::kGroupChars);
        else
            dialogkit::ExchangeText(hwnd(), field.id, *field.text, card::kGroupChars);
    }
}

BOOL DacSerialDialog::OnInitDialog() {
    DoDataExchange(false);
    return TRUE; // the first field takes the focus
}

int DacSerialDialog::ValidateSerial() const {
    const std::string* const groups[] = {&m_strSerial1,  &m_strSerial2,  &m_strSerial3,
                                         &m_strSerial4,  &m_strConfirm1, &m_strConfirm2,
                                         &m_strConfirm3, &m_strConfirm4};
    return card::ValidateSerial(groups);
}

void DacSerialDialog::OnOK() {
    DoDataExchange(true);
    const int result = ValidateSerial();
    if (result != card::kSerialAccepted) {
        dialogkit::ShowTextBox(hwnd(), static_cast<UINT>(result), IDS_PROMPT, MB_ICONEXCLAMATION);
        return;
    }
    const std::string* const serial[] = {&m_strSerial1, &m_strSerial2, &m_strSerial3,
                                         &m_strSerial4};
    const std::string* const confirm[] = {&m_strConfirm1, &m_strConfirm2, &m_strConfirm3,
                                          &m_strConfirm4};
    JoinGroups(m_szSerial, serial);
    JoinGroups(m_szConfirm, confirm);
    // Byte for byte: "ab" and "AB" pack alike but are not the same entry.
    if (std::strcmp(m_szConfirm, m_szSerial) != 0) {
        dialogkit::ShowTextBox(hwnd(), IDS_SERIAL_MISMATCH, IDS_PROMPT, MB_OK);
        return;
    }
    EndDialog(IDOK);
}

void DacSerialDialog::GetPackedSerial(unsigned char* destination, int& count) {
    const int length = static_cast<int>(std::strlen(m_szSerial));
    card::PackSerial(m_szSerial, length, destination);
    count = length / 2;
}
