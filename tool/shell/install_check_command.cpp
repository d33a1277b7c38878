// The System Information button: the installation check's report in a box. It changes
// nothing and opens no token.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "install_check/installation_probes.h"

void MainDialog::OnSystemInformation() {
    const CommandPass command(*this);
    if (command.entered())
        dialogkit::ShowBox(hwnd(), ComposeInstallationReport().c_str(),
                           LoadText(IDS_SYSTEM_INFORMATION).c_str(), MB_OK | MB_ICONINFORMATION);
}
