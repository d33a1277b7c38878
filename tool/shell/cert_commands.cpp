// The certificate commands of the main window: register, unregister and view the certificate
// selected in the tree, from the bytes the last scan stored. None of them opens the token.
#include "main_dialog.h"

#include "certificates/cert_registration.h"
#include "certificates/cert_viewer.h"
#include "dialogkit/message_box.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

void TellStoreOutcome(HWND owner, bool done, UINT doneText, UINT failedText) {
    dialogkit::ShowTextBox(owner, done ? doneText : failedText, IDS_PROMPT,
                           done ? MB_ICONINFORMATION : MB_ICONERROR);
}

} // namespace

// What a certificate command works on, copied out of the tree: the store may show a box and a
// rescan may free the records meanwhile.
struct MainDialog::ChosenCertificate {
    std::string containerName;
    std::vector<unsigned char> certificate;
    std::uint8_t usage = 0;
    std::int32_t length() const { return static_cast<std::int32_t>(certificate.size()); }
};

bool MainDialog::SelectedCertificate(ChosenCertificate* chosen) {
    HTREEITEM item = m_tree.GetSelectedItem();
    TokenNode* record = item ? m_tree.Record(item) : nullptr;
    // The buttons are enabled only for certificate items, but a command can also arrive as a
    // message from elsewhere; any other record is never read as a certificate.
    if (!record || record->kind != kCertNode) {
        dialogkit::ShowTextBox(hwnd(), IDS_NO_DEVICE, IDS_PROMPT, MB_OK);
        return false;
    }
    const CertNode* cert = static_cast<const CertNode*>(record);
    chosen->containerName = cert->parent->containerName;
    chosen->certificate.assign(cert->certificate.begin(), cert->certificate.begin() + cert->length);
    chosen->usage = cert->usage;
    return true;
}

void MainDialog::OnRegisterCert() {
    const CommandPass command(*this);
    ChosenCertificate cert;
    if (!command.entered() || !SelectedCertificate(&cert))
        return;
    const int result = RegisterCertificate(cert.containerName.c_str(), cert.certificate.data(),
                                           cert.length(), cert.usage);
    TellStoreOutcome(hwnd(), result == kRegistered || result == kAlreadyInStore, IDS_REGISTERED,
                     IDS_REGISTER_FAILED);
}

void MainDialog::OnUnregisterCert() {
    const CommandPass command(*this);
    ChosenCertificate cert;
    if (!command.entered() || !SelectedCertificate(&cert))
        return;
    TellStoreOutcome(hwnd(), UnregisterCertificates(cert.certificate.data(), cert.length()) == 1,
                     IDS_UNREGISTERED, IDS_UNREGISTER_FAILED);
}

void MainDialog::OnViewCert() {
    const CommandPass command(*this);
    ChosenCertificate cert;
    if (command.entered() && SelectedCertificate(&cert))
        ViewCertificate(cert.certificate.data(), cert.length());
}
