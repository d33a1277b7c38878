// The PIN commands of the main window: they take the selected token and hand it to tool/pin.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "pin/change_pin_command.h"
#include "pin/default_pin_monitor.h"
#include "resources/resource.h"

void MainDialog::OnChangePin() {
    HTREEITEM item = m_tree.GetSelectedItem();
    const DeviceNode* device = item ? GetDeviceNode(item) : nullptr;
    if (!device) {
        dialogkit::ShowTextBox(hwnd(), IDS_NO_DEVICE, IDS_PROMPT, MB_OK);
        return;
    }
    ChangeTokenPin(hwnd(), device->deviceName, m_dlgChangePin);
}

void MainDialog::StartDefaultPinMonitor(const char* deviceName) {
    ::StartDefaultPinMonitor(deviceName, m_hTokenLib);
}
