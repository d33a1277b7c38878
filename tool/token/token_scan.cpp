// The token scan: rebuilds the tree from every plugged-in token and hands each certificate on
// as it is read. The only place the tree is filled.
#include "token_scan.h"

#include "der_length.h"
#include "device_list.h"
#include "dialogkit/string_table.h"
#include "integrity_label.h"
#include "resources/resource.h"
#include "root_container.h"
#include "vendor_entries.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Sizes the library reports come from outside; beyond these they are taken as failures.
constexpr std::uint32_t kMaxDeviceListBytes = 1u << 20;
constexpr std::uint32_t kMaxCertificateBytes = 1u << 20;
// A library that never says "no further container" must not keep the scan forever.
constexpr int kMaxContainersPerToken = 1024;

// One scan: the tree it fills, its container-name buffer and where its findings go.
class TreeScan {
  public:
    TreeScan(TokenSession& session, TokenTreeCtrl& tree, char (&containerName)[kVendorTextBytes],
             ScanListener& listener)
        : session_(session), tree_(tree), containerName_(containerName), listener_(listener) {}
    void Run(bool labelDevices);

  private:
    void ListContainers(TokenHandle handle, DeviceNode* device, HTREEITEM tokenItem);
    void ReadContainerCertificate(TokenHandle handle, const CertRef& reference,
                                  ContainerNode* container, std::uint8_t usage,
                                  HTREEITEM containerItem);

    TokenSession& session_;
    TokenTreeCtrl& tree_;
    char (&containerName_)[kVendorTextBytes];
    ScanListener& listener_;
};

} // namespace

void ScanIntoTree(TokenSession& session, TokenTreeCtrl& tree,
                  char (&containerName)[kVendorTextBytes], bool labelDevices,
                  ScanListener& listener) {
    TreeScan(session, tree, containerName, listener).Run(labelDevices);
}

void TreeScan::Run(bool labelDevices) {
    std::memset(containerName_, 0, sizeof containerName_);
    if (!session_.held())
        return;
    std::uint32_t size = 0, count = 0;
    if (g_tokenApi.ZQ_ListAllDev(nullptr, &size, &count) != 0 || size > kMaxDeviceListBytes)
        return;
    std::vector<char> list(std::max<std::uint32_t>(size, 1));
    std::uint32_t listed = static_cast<std::uint32_t>(list.size());
    if (g_tokenApi.ZQ_ListAllDev(list.data(), &size, &count) != 0)
        return;
    if (count == 0) {
        tree_.InsertRootItem(LoadText(IDS_NO_DEVICE).c_str(), nullptr);
        return;
    }
    HTREEITEM lastToken = nullptr;
    // Read only what was really written into our buffer, whatever the size now says.
    for (const token::ListedDevice& device :
         token::ParseDeviceList(list.data(), std::min(size, listed), count)) {
        if (session_.stopping())
            break;
        if (labelDevices && !SetLowIntegrityLabel(device.name, SE_FILE_OBJECT)) {
            listener_.OnLabelRefused();
            return;
        }
        // A name too long for its record is skipped like a token that does not open: opening
        // a cut name could reach another device.
        if (!device.fits)
            continue;
        TokenHandle handle = 0;
        if (g_tokenApi.ZQ_OpenDev(device.name, static_cast<std::int32_t>(device.length), &handle) !=
            0)
            continue;
        char serial[kVendorTextBytes]; // the serial itself is not used
        std::memset(serial, 0, sizeof serial);
        if (g_tokenApi.ZQPro_GetSn(handle, serial) != kTokenSwSuccess) {
            g_tokenApi.ZQ_CloseDev(handle);
            continue;
        }
        DeviceNode* record = NewDeviceNode(device.name, device.length); // it fits, as told above
        char text[64];
        std::snprintf(text, sizeof text, "USB_Key_%d", device.position);
        HTREEITEM tokenItem = tree_.InsertRootItem(text, record);
        lastToken = tokenItem;
        ListContainers(handle, record, tokenItem);
        g_tokenApi.ZQ_CloseDev(handle);
        listener_.OnTokenClosed(record->deviceName);
        tree_.Expand(tokenItem, TVE_EXPAND);
    }
    RedrawWindow(tree_.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    if (lastToken)
        tree_.SelectItem(lastToken);
}

void TreeScan::ListContainers(TokenHandle handle, DeviceNode* device, HTREEITEM tokenItem) {
    std::int32_t first = 1;
    for (int n = 0; n < kMaxContainersPerToken && !session_.stopping(); ++n) {
        ContainerInfo info;
        std::memset(&info, 0, sizeof info);
        if (g_tokenApi.ZQ_TokenListContainer(handle, first, containerName_, &info) != 0)
            return;
        first = 0;
        ContainerNode* container = NewContainerNode(device, containerName_);
        if (std::strcmp(container->containerName, kRootContainerName) == 0) {
            ReadContainerCertificate(handle, info.signature, container, 1, nullptr);
            DeleteTokenNode(container);
            continue;
        }
        HTREEITEM item = tree_.InsertChildItem(tokenItem, container->containerName, container);
        ReadContainerCertificate(handle, info.encryption, container, 1, item);
        ReadContainerCertificate(handle, info.signature, container, 0, item);
    }
}

void TreeScan::ReadContainerCertificate(TokenHandle handle, const CertRef& reference,
                                        ContainerNode* container, std::uint8_t usage,
                                        HTREEITEM containerItem) {
    // The identifier's length comes from the library; it cannot exceed its own field.
    if (reference.idLength < 0 ||
        reference.idLength > static_cast<std::int32_t>(sizeof reference.id))
        return;
    std::uint32_t size = 0;
    if (g_tokenApi.ZQ_TokenGetCertSize(handle, reference.id, reference.idLength, &size) != 0)
        return;
    if (size == 0 || size > kMaxCertificateBytes)
        return; // no certificate could be that; counted as unreadable
    std::vector<unsigned char> bytes(size);
    if (g_tokenApi.ZQ_TokenGetCert(handle, reference.id, reference.idLength, bytes.data(), size) !=
        0)
        return;
    // A size reported above the certificate's leaves padding behind it, which must not be
    // registered or shown as part of it. Bytes that are no DER element keep the size, so
    // registration refuses them as it refuses any bytes that are no certificate.
    const std::size_t element = token::DerElementLength(bytes.data(), size);
    const std::int32_t length = static_cast<std::int32_t>(element > 0 ? element : size);
    if (std::strcmp(container->containerName, kRootContainerName) != 0) {
        CertNode* record = NewCertNode(container, bytes.data(), length, usage);
        tree_.InsertChildItem(
            containerItem, LoadText(usage != 0 ? IDS_ENCRYPTION_CERT : IDS_SIGNATURE_CERT).c_str(),
            record);
    }
    listener_.OnCertificate(container->containerName, bytes.data(), length, usage);
}
