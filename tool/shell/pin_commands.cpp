// The PIN commands of the main window: they take the selected token and hand it to tool/pin.
#include "main_dialog.h"

#include "pin/change_pin_command.h"
#include "resources/resource.h"

void MainDialog::OnChangePin() {
    const DeviceNode* device = SelectedDeviceOrTell();
    if (device)
        ChangeTokenPin(hwnd(), device->deviceName, m_dlgChangePin);
}
