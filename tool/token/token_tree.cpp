#include "token_tree.h"

#include <cstring>

DeviceNode* NewDeviceNode(const char* name, std::size_t length) {
    DeviceNode* node = new DeviceNode();
    node->kind = kDeviceNode;
    if (!CopyDeviceName(&node->deviceName, name, length)) {
        delete node;
        return nullptr;
    }
    return node;
}

ContainerNode* NewContainerNode(DeviceNode* parent, const char* name) {
    ContainerNode* node = new ContainerNode();
    node->kind = kContainerNode;
    node->parent = parent;
    // The name buffer the library filled may lack its terminator; keep at most 127 bytes.
    std::size_t length = strnlen(name, sizeof node->containerName - 1);
    std::memcpy(node->containerName, name, length);
    node->containerName[length] = '\0';
    return node;
}

CertNode* NewCertNode(ContainerNode* parent, const unsigned char* bytes, std::int32_t length,
                      std::uint8_t usage) {
    CertNode* node = new CertNode();
    node->kind = kCertNode;
    node->parent = parent;
    node->certificate.assign(bytes, bytes + length);
    node->length = length;
    node->usage = usage;
    return node;
}

void DeleteTokenNode(TokenNode* node) {
    if (!node)
        return;
    switch (node->kind) {
    case kDeviceNode:
        delete static_cast<DeviceNode*>(node);
        break;
    case kContainerNode:
        delete static_cast<ContainerNode*>(node);
        break;
    case kCertNode:
        delete static_cast<CertNode*>(node);
        break;
    default:
        break;
    }
}

void TokenTreeCtrl::ResetTree() {
    ++generation_;
    FreeItemRecords();
    DeleteAllItems();
    AddStyle(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    SetItemHeight(30);
}

void TokenTreeCtrl::FreeItemRecords() {
    // Exactly the three levels of the model.
    for (HTREEITEM token = GetRootItem(); token; token = GetNextSiblingItem(token)) {
        DeleteTokenNode(Record(token));
        for (HTREEITEM container = GetChildItem(token); container;
             container = GetNextSiblingItem(container)) {
            DeleteTokenNode(Record(container));
            for (HTREEITEM cert = GetChildItem(container); cert; cert = GetNextSiblingItem(cert))
                DeleteTokenNode(Record(cert));
        }
    }
}

HTREEITEM TokenTreeCtrl::InsertRootItem(const char* text, TokenNode* record) {
    return InsertItem(nullptr, text, reinterpret_cast<LPARAM>(record));
}

HTREEITEM TokenTreeCtrl::InsertChildItem(HTREEITEM parent, const char* text, TokenNode* record) {
    return InsertItem(parent, text, reinterpret_cast<LPARAM>(record));
}

namespace {

DeviceNode* AsDevice(TokenNode* record) {
    return record && record->kind == kDeviceNode ? static_cast<DeviceNode*>(record) : nullptr;
}

} // namespace

DeviceNode* TokenTreeCtrl::DeviceNodeOf(HTREEITEM item) const {
    TokenNode* record = Record(item);
    if (!record)
        return nullptr;
    switch (record->kind) {
    case kDeviceNode:
        return AsDevice(record);
    case kContainerNode:
        return AsDevice(Record(GetParentItem(item)));
    case kCertNode:
        return AsDevice(Record(GetParentItem(GetParentItem(item))));
    default:
        return nullptr;
    }
}
