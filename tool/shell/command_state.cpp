// The command buttons follow the tree selection: each applies to one kind of item only.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "resources/resource.h"
#include "token/token_session.h"

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
    // The query may wait for the bracket, and a scan may run meanwhile and select anew; its
    // own selection handling then set the buttons, and this answer belongs to the old tree.
    const unsigned generation = m_tree.generation();
    const int state = QueryDynamicCodeState(item);
    if (state != 1 && m_tree.generation() == generation && m_tree.GetSelectedItem() == item)
        EnableWindow(Item(IDC_DAC_BINDING), TRUE);
}

int MainDialog::QueryDynamicCodeState(HTREEITEM item) {
    if (!m_tree.Record(item))
        return 0;
    const DeviceNode* device = GetDeviceNode(item);
    if (!device)
        return 1;
    TokenSession session(device->deviceName); // the name is copied before the wait
    if (session.Open() != kTokenOk)
        return 1;
    return session.SupportsDynamicCode(); // closed with the session
}

bool MainDialog::SelectedDeviceOrTell(DeviceName* device) {
    HTREEITEM item = m_tree.GetSelectedItem();
    const DeviceNode* node = item ? GetDeviceNode(item) : nullptr;
    if (!node) {
        dialogkit::ShowTextBox(hwnd(), IDS_NO_DEVICE, IDS_PROMPT, MB_OK);
        return false;
    }
    *device = node->deviceName;
    return true;
}
