// The icon menu's "Support report...": the report of this running Keystead, its failures of
// the token library included, written to the documents folder and shown in Notepad.
#include "main_dialog.h"
#include "platform/format_text.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "resources/resource.h"
#include "support_report/report_output.h"
#include "support_report/support_report.h"
#include "token/scan_state.h"

#include <cstdio>

void MainDialog::OnSupportReport() {
    const CommandPass command(*this);
    if (!command.entered())
        return;
    support_report::Setting setting;
    setting.notifications = m_devNotify.registered() ? support_report::kNotificationsRegistered
                                                     : support_report::kNotificationsNotRegistered;
    setting.libraryPath = m_tokenLib.LoadedPath();
    setting.libraryBound = m_tokenLib.usable();
    bool bracket = false;
    // As a scan does, it does not wait behind a factory-PIN prompt that holds the bracket.
    setting.tokens = support_report::ReadTokens(TheScanState().PinPromptFlag(), &bracket);
    setting.lockHeld = !bracket;
    const std::string path = support_report::ReportPathInDocuments();
    if (!support_report::WriteReportFile(path, support_report::Compose(setting))) {
        char text[kMaxTextBytes + MAX_PATH];
        platform::FormatText(text, sizeof text, LoadText(IDS_REPORT_WRITE_FAILED).c_str(),
                             path.c_str());
        dialogkit::ShowBox(hwnd(), text, LoadText(IDS_PROMPT).c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    support_report::OpenInNotepad(path);
}
