// The PIN commands of the main window: they take the selected token and hand it to tool/pin.
#include "main_dialog.h"

#include "pin/change_pin_command.h"
#include "resources/resource.h"

void MainDialog::OnChangePin() {
    const CommandPass command(*this);
    DeviceName device;
    if (command.entered() && SelectedDeviceOrTell(&device))
        ChangeTokenPin(hwnd(), device, m_dlgChangePin);
}
