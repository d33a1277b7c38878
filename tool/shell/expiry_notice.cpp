// After each scan: a token certificate that has expired or expires within 30 days is announced
// from the icon, at most once a day each.
#include "main_dialog.h"

#include "certificates/expiry_rules.h"
#include "certificates/expiry_warning.h"
#include "dialogkit/string_table.h"
#include "resources/resource.h"

namespace {

bool IsAnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

} // namespace

void MainDialog::AnnounceExpiringCertificates(
    const std::vector<std::vector<unsigned char>>& certificates) {
    bool anyDue = false;
    const std::vector<ExpiringCertificate> due = TakeDueAnnouncements(certificates, &anyDue);
    const std::string title = LoadText(IDS_KEYSTEAD_TITLE);
    if (m_nid.showsBalloons()) {
        if (!due.empty())
            m_nid.ShowBalloon(expiry::FitLines(LoadText(IDS_EXPIRY_TITLE), 64, IsAnsiLeadByte),
                              expiry::FitLines(ExpiryLines(due), 256, IsAnsiLeadByte));
        return;
    }
    // Shells without balloons: the tip names the certificate until none is due any more.
    if (!due.empty())
        m_nid.SetTip(
            expiry::FitLines(title + ": " + ExpiryLines({due.front()}), 64, IsAnsiLeadByte));
    else if (!anyDue)
        m_nid.SetTip(title);
}
