// The card binding command of the main window: it takes the selected token and hands it to
// tool/card_binding.
#include "main_dialog.h"

#include "card_binding/card_binding_command.h"
#include "resources/resource.h"

void MainDialog::OnDacBinding() {
    const CommandPass command(*this);
    DeviceName device;
    if (command.entered() && SelectedDeviceOrTell(&device))
        BindDynamicCard(hwnd(), Item(IDC_DAC_BINDING), device, m_dlgUserPin);
}
