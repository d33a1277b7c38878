// The certificate commands of the main window: register, unregister and view the certificate
// selected in the tree, from the bytes the last scan stored. None of them opens the token.
#include "main_dialog.h"

#include "certificates/cert_registration.h"
#include "certificates/cert_viewer.h"
#include "dialogkit/message_box.h"

namespace {

void TellStoreOutcome(HWND owner, bool done, UINT doneText, UINT failedText) {
    dialogkit::ShowTextBox(owner, done ? doneText : failedText, IDS_PROMPT,
                           done ? MB_ICONINFORMATION : MB_ICONERROR);
}

} // namespace

const CertNode* MainDialog::SelectedCertificate() {
    HTREEITEM item = m_tree.GetSelectedItem();
    TokenNode* record = item ? m_tree.Record(item) : nullptr;
    // The buttons are enabled only for certificate items, but a command can also arrive as a
    // message from elsewhere; any other record is never read as a certificate.
    if (!record || record->kind != kCertNode) {
        dialogkit::ShowTextBox(hwnd(), IDS_NO_DEVICE, IDS_PROMPT, MB_OK);
        return nullptr;
    }
    return static_cast<const CertNode*>(record);
}

void MainDialog::OnRegisterCert() {
    const CertNode* cert = SelectedCertificate();
    if (!cert)
        return;
    const int result = RegisterCertificate(cert->parent->containerName, cert->certificate.data(),
                                           cert->length, cert->usage);
    TellStoreOutcome(hwnd(), result == kRegistered || result == kAlreadyInStore, IDS_REGISTERED,
                     IDS_REGISTER_FAILED);
}

void MainDialog::OnUnregisterCert() {
    const CertNode* cert = SelectedCertificate();
    if (!cert)
        return;
    TellStoreOutcome(hwnd(), UnregisterCertificates(cert->certificate.data(), cert->length) == 1,
                     IDS_UNREGISTERED, IDS_UNREGISTER_FAILED);
}

void MainDialog::OnViewCert() {
    const CertNode* cert = SelectedCertificate();
    if (!cert)
        return;
    ViewCertificate(cert->certificate.data(), cert->length);
}
