// Refresh: the one way into a scan. It keeps scans apart from each other and from default-PIN
// prompts, and hands what the scan finds to the certificate stores and the PIN monitors.
#include "main_dialog.h"

#include "certificates/cert_registration.h"
#include "pin/default_pin_monitor.h"
#include "platform/windows_family.h"
#include "resources/resource.h"
#include "token/root_container.h"
#include "token/scan_state.h"
#include "token/token_scan.h"
#include "token/token_session.h"

#include <cstring>

#ifndef KEYSTEAD_SETS_INTEGRITY_LABEL
#define KEYSTEAD_SETS_INTEGRITY_LABEL 1
#endif

void MainDialog::OnRefresh() {
    // Once Keystead lets go of the library nothing may call into it. A scan never starts
    // inside another, whatever the monitors stored in RefreshBusy meanwhile: the outer one
    // still reads the records the inner one would free.
    ScanState& state = TheScanState();
    if (state.RefreshBusy() || !m_tokenLib.usable())
        return;
    const ReentryGate::Pass scan(m_scanGate);
    if (!scan.entered())
        return;
    state.SetRefreshBusy(true);
    EnableWindow(Item(IDC_REFRESH), FALSE);
    ScannedCertificates found;
    const bool scanned = ScanTokens(&found);
    EnableWindow(Item(IDC_REFRESH), TRUE);
    state.SetRefreshBusy(false);
    if (scanned)
        AnnounceExpiringCertificates(found);
}

bool MainDialog::ScanTokens(ScannedCertificates* found) {
    ScanState& state = TheScanState();
    if (state.PinPromptShown())
        return false;
    bool scanned = false;
    MonitorBatch monitors;
    {
        const ScanState::ScanLock scanLock(state);
        // Taken before anything is cleared: a default-PIN prompt that shows up while this
        // waits for a monitor's bracket drops the scan, and the tree stays as it was; so does
        // Keystead's end.
        TokenSession session(state.PinPromptFlag());
        if (session.held()) {
            DisableTokenCommands();
            m_tree.ResetTree();
            UnregisterCertificates(nullptr, 0);
            ScanInsideBracket(session, monitors, found);
            scanned = true;
        }
    }
    monitors.ReleaseAll();
    return scanned;
}

void MainDialog::ScanInsideBracket(TokenSession& session, MonitorBatch& monitors,
                                   ScannedCertificates* found) {
    // Each certificate is registered right after it is read, still inside the bracket; each
    // token that answered gets its monitor once it is closed again.
    struct HandOffs : ScanListener {
        HandOffs(MainDialog& dialog, MonitorBatch& batch, ScannedCertificates* found)
            : dialog_(dialog), monitors_(batch), found_(found) {}
        void OnCertificate(const char* containerName, const unsigned char* certificate,
                           std::int32_t length, std::uint8_t usage) override {
            RegisterCertificate(containerName, certificate, length, usage);
            // The user's own certificates are watched for their end; the bank's root is not.
            if (std::strcmp(containerName, kRootContainerName) != 0 && length > 0)
                found_->emplace_back(certificate, certificate + length);
        }
        void OnTokenClosed(const DeviceName& deviceName) override { monitors_.Add(deviceName); }
        // A Keystead whose tokens other programs could not reach ends, as on a failed label.
        void OnLabelRefused() override { dialog_.EndOnHardStop(1); }
        MainDialog& dialog_;
        MonitorBatch& monitors_;
        ScannedCertificates* found_;
    } handOffs(*this, monitors, found);
    const bool label = KEYSTEAD_SETS_INTEGRITY_LABEL && platform::IsVistaFamily();
    ScanIntoTree(session, m_tree, m_containerName, label, handOffs);
}
