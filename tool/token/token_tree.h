// The token tree: one top-level item per token, its containers below it and their
// certificates below them. Every item carries its record as item data; the tree owns the
// records from insertion until the next ResetTree.
#pragma once

#include "device_name.h"
#include "dialogkit/tree_view.h"

#include <cstdint>
#include <vector>

enum TokenNodeKind : std::int32_t { kDeviceNode = 0, kContainerNode = 1, kCertNode = 2 };

struct TokenNode {
    std::int32_t kind;
};

struct DeviceNode : TokenNode {
    DeviceName deviceName;
};

struct ContainerNode : TokenNode {
    DeviceNode* parent; // not owned
    char containerName[128];
};

struct CertNode : TokenNode {
    ContainerNode* parent; // not owned
    // The DER certificate, whole: kept on the heap at its real length, so a certificate longer
    // than the 4096 bytes a record was meant for is never cut.
    std::vector<unsigned char> certificate;
    std::int32_t length;
    std::uint8_t usage; // 1: encryption certificate, 0: signature certificate
};

// Null when the name does not fit a DeviceName whole.
DeviceNode* NewDeviceNode(const char* name, std::size_t length);
ContainerNode* NewContainerNode(DeviceNode* parent, const char* name);
CertNode* NewCertNode(ContainerNode* parent, const unsigned char* bytes, std::int32_t length,
                      std::uint8_t usage);
void DeleteTokenNode(TokenNode* node);

class TokenTreeCtrl : public dialogkit::TreeView {
  public:
    void ResetTree();
    void FreeItemRecords();
    HTREEITEM InsertRootItem(const char* text, TokenNode* record);
    HTREEITEM InsertChildItem(HTREEITEM parent, const char* text, TokenNode* record);
    TokenNode* Record(HTREEITEM item) const {
        return reinterpret_cast<TokenNode*>(GetItemData(item));
    }
    // The record of the token the item belongs to, found by walking the items.
    DeviceNode* DeviceNodeOf(HTREEITEM item) const;
    // Changes with every ResetTree: what was read from the tree before a wait is still valid
    // after it only while the generation is the same.
    unsigned generation() const { return generation_; }

  private:
    unsigned generation_ = 0;
};
