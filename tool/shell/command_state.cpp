// The command buttons follow the tree selection: each applies to one kind of item only.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "resources/resource.h"
#include "token/token_lock.h"

#include <cstring>

void MainDialog::DisableTokenCommands() {
    for (int id :
         {IDC_CHANGE_PIN, IDC_VIEW_CERT, IDC_REGISTER_CERT, IDC_UNREGISTER_CERT, IDC_DAC_BINDING})
        EnableWindow(Item(id), FALSE);
}

void MainDialog::OnSelChangedTree(NMHDR*, LRESULT* result) {
    *result = 0;
    HTREEITEM item = m_tree.GetSelectedItem();
    if (!item)
        return;
    DisableTokenCommands();
    EnableWindow(Item(IDC_REFRESH), TRUE);
    TokenNode* record = m_tree.Record(item);
    if (!record)
        return;
    switch (record->kind) {
    case kDeviceNode:
        EnableWindow(Item(IDC_CHANGE_PIN), TRUE);
        break;
    case kContainerNode:
        break;
    case kCertNode:
        EnableWindow(Item(IDC_VIEW_CERT), TRUE);
        EnableWindow(Item(IDC_REGISTER_CERT), TRUE);
        EnableWindow(Item(IDC_UNREGISTER_CERT), TRUE);
        break;
    default:
        return;
    }
    if (QueryDynamicCodeState(item) != 1)
        EnableWindow(Item(IDC_DAC_BINDING), TRUE);
}

int MainDialog::QueryDynamicCodeState(HTREEITEM item) {
    if (!m_tree.Record(item))
        return 0;
    DeviceNode* device = GetDeviceNode(item);
    if (!device)
        return 1;
    TokenLockBracket bracket;
    TokenHandle handle = 0;
    if (g_tokenApi.ZQ_OpenDev(device->deviceName,
                              static_cast<std::int32_t>(std::strlen(device->deviceName)),
                              &handle) != 0)
        return 1;
    const int state = g_tokenApi.ZQpro_IsSupportDynamicCode(handle);
    g_tokenApi.ZQ_CloseDev(handle);
    return state;
}

const DeviceNode* MainDialog::SelectedDeviceOrTell() {
    HTREEITEM item = m_tree.GetSelectedItem();
    const DeviceNode* device = item ? GetDeviceNode(item) : nullptr;
    if (!device)
        dialogkit::ShowTextBox(hwnd(), IDS_NO_DEVICE, IDS_PROMPT, MB_OK);
    return device;
}
