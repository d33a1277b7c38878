// The card binding command of the main window: it takes the selected token and hands it to
// tool/card_binding.
#include "main_dialog.h"

#include "card_binding/card_binding_command.h"
#include "dialogkit/message_box.h"
#include "resources/resource.h"

void MainDialog::OnDacBinding() {
    HTREEITEM item = m_tree.GetSelectedItem();
    const DeviceNode* device = item ? GetDeviceNode(item) : nullptr;
    if (!device) {
        dialogkit::ShowTextBox(hwnd(), IDS_NO_DEVICE, IDS_PROMPT, MB_OK);
        return;
    }
    BindDynamicCard(hwnd(), Item(IDC_DAC_BINDING), device->deviceName, m_dlgUserPin);
}
