// The token scan: rebuilds the tree from every plugged-in token and hands each certificate on
// as it is read. The only place the tree is filled.
#include "token_scan.h"

#include "dialogkit/string_table.h"
#include "integrity_label.h"
#include "resources/resource.h"
#include "token_facts.h"
#include "token_walk.h"

namespace {

// One scan: the tree it fills and where its findings go.
class TreeScan : public TokenWalk {
  public:
    TreeScan(TokenSession& session, TokenTreeCtrl& tree, char (&containerName)[kVendorTextBytes],
             bool labelDevices, ScanListener& listener)
        : TokenWalk(session, containerName), tree_(tree), labelDevices_(labelDevices),
          listener_(listener) {}

    // After a walk that listed at least one device and was not stopped by a refused label.
    void Finish() {
        if (!listedSome_)
            return;
        RedrawWindow(tree_.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        if (lastToken_)
            tree_.SelectItem(lastToken_);
    }

  private:
    bool BeforeOpen(const token::ListedDevice& device) override {
        if (labelDevices_ && !SetLowIntegrityLabel(device.name, SE_FILE_OBJECT)) {
            listedSome_ = false;
            listener_.OnLabelRefused();
            return false;
        }
        return true;
    }
    void OnNoTokens() override {
        listedSome_ = false;
        tree_.InsertRootItem(LoadText(IDS_NO_DEVICE).c_str(), nullptr);
    }
    void OnToken(const token::ListedDevice& device, TokenHandle,
                 const char (&)[kVendorTextBytes]) override {
        device_ = NewDeviceNode(device.name, device.length); // it fits: the walk passed it
        tokenItem_ = tree_.InsertRootItem(TokenItemLabel(device.position).c_str(), device_);
        lastToken_ = tokenItem_;
    }
    const char* OnContainer(const char* name, bool root) override {
        container_ = NewContainerNode(device_, name);
        containerItem_ =
            root ? nullptr
                 : tree_.InsertChildItem(tokenItem_, container_->containerName, container_);
        root_ = root;
        return container_->containerName;
    }
    void OnCertificate(const char* container, const unsigned char* bytes, std::int32_t length,
                       std::uint8_t usage) override {
        if (!root_) {
            CertNode* record = NewCertNode(container_, bytes, length, usage);
            tree_.InsertChildItem(
                containerItem_,
                LoadText(usage != 0 ? IDS_ENCRYPTION_CERT : IDS_SIGNATURE_CERT).c_str(), record);
        }
        listener_.OnCertificate(container, bytes, length, usage);
    }
    void OnContainerEnd() override {
        if (root_) // read and registered, never shown
            DeleteTokenNode(container_);
        container_ = nullptr;
    }
    void OnTokenClosed(const token::ListedDevice&) override {
        listener_.OnTokenClosed(device_->deviceName);
        tree_.Expand(tokenItem_, TVE_EXPAND);
    }

    TokenTreeCtrl& tree_;
    const bool labelDevices_;
    ScanListener& listener_;
    DeviceNode* device_ = nullptr;
    ContainerNode* container_ = nullptr;
    HTREEITEM tokenItem_ = nullptr, containerItem_ = nullptr, lastToken_ = nullptr;
    bool root_ = false;
    bool listedSome_ = true;
};

} // namespace

void ScanIntoTree(TokenSession& session, TokenTreeCtrl& tree,
                  char (&containerName)[kVendorTextBytes], bool labelDevices,
                  ScanListener& listener) {
    TreeScan scan(session, tree, containerName, labelDevices, listener);
    if (scan.Run())
        scan.Finish();
}
