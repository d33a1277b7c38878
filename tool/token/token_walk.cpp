#include "token_walk.h"

#include "der_length.h"
#include "root_container.h"
#include "vendor_entries.h"
#include "vendor_failures.h"

#include <algorithm>
#include <cstring>
#include <vector>

using vendor_failures::Checked;

namespace {

// Sizes the library reports come from outside; beyond these they are taken as failures.
constexpr std::uint32_t kMaxDeviceListBytes = 1u << 20;
constexpr std::uint32_t kMaxCertificateBytes = 1u << 20;
// A library that never says "no further container" must not keep the walk forever.
constexpr int kMaxContainersPerToken = 1024;

} // namespace

bool TokenWalk::Run() {
    std::memset(containerName_, 0, sizeof containerName_);
    if (!session_.held())
        return false;
    std::uint32_t size = 0, count = 0;
    if (Checked("ZQ_ListAllDev", g_tokenApi.ZQ_ListAllDev(nullptr, &size, &count)) != 0 ||
        size > kMaxDeviceListBytes)
        return false;
    std::vector<char> list(std::max<std::uint32_t>(size, 1));
    std::uint32_t listed = static_cast<std::uint32_t>(list.size());
    if (Checked("ZQ_ListAllDev", g_tokenApi.ZQ_ListAllDev(list.data(), &size, &count)) != 0)
        return false;
    if (count == 0) {
        OnNoTokens();
        return true;
    }
    // Read only what was really written into our buffer, whatever the size now says.
    for (const token::ListedDevice& device :
         token::ParseDeviceList(list.data(), std::min(size, listed), count)) {
        if (session_.stopping() || !BeforeOpen(device))
            break;
        // A name too long for its record is passed over like a token that does not open:
        // opening a cut name could reach another device.
        if (!device.fits) {
            OnPassedOver(device, nullptr, 0);
            continue;
        }
        TokenHandle handle = 0;
        const std::int32_t opened = Checked(
            "ZQ_OpenDev",
            g_tokenApi.ZQ_OpenDev(device.name, static_cast<std::int32_t>(device.length), &handle));
        if (opened != 0) {
            OnPassedOver(device, "ZQ_OpenDev", opened);
            continue;
        }
        char serial[kVendorTextBytes];
        std::memset(serial, 0, sizeof serial);
        const std::int32_t answered =
            Checked("ZQPro_GetSn", g_tokenApi.ZQPro_GetSn(handle, serial), kTokenSwSuccess);
        if (answered != kTokenSwSuccess) {
            Checked("ZQ_CloseDev", g_tokenApi.ZQ_CloseDev(handle));
            OnPassedOver(device, "ZQPro_GetSn", answered);
            continue;
        }
        serial[sizeof serial - 1] = '\0';
        OnToken(device, handle, serial);
        ListContainers(handle);
        Checked("ZQ_CloseDev", g_tokenApi.ZQ_CloseDev(handle));
        OnTokenClosed(device);
    }
    return true;
}

void TokenWalk::ListContainers(TokenHandle handle) {
    std::int32_t first = 1;
    for (int n = 0; n < kMaxContainersPerToken && !session_.stopping(); ++n) {
        ContainerInfo info;
        std::memset(&info, 0, sizeof info);
        const std::int32_t status =
            g_tokenApi.ZQ_TokenListContainer(handle, first, containerName_, &info);
        if (status != 0) {
            if (status != kTokenNoMoreContainers)
                vendor_failures::Record("ZQ_TokenListContainer", status);
            return;
        }
        first = 0;
        containerName_[sizeof containerName_ - 1] = '\0';
        const bool root = std::strcmp(containerName_, kRootContainerName) == 0;
        const char* name = OnContainer(containerName_, root);
        if (root) {
            ReadCertificate(handle, info.signature, name, 1);
        } else {
            ReadCertificate(handle, info.encryption, name, 1);
            ReadCertificate(handle, info.signature, name, 0);
        }
        OnContainerEnd();
    }
}

void TokenWalk::ReadCertificate(TokenHandle handle, const CertRef& reference, const char* container,
                                std::uint8_t usage) {
    // The identifier's length comes from the library; it cannot exceed its own field.
    if (reference.idLength < 0 ||
        reference.idLength > static_cast<std::int32_t>(sizeof reference.id))
        return;
    std::uint32_t size = 0;
    if (Checked("ZQ_TokenGetCertSize", g_tokenApi.ZQ_TokenGetCertSize(
                                           handle, reference.id, reference.idLength, &size)) != 0)
        return;
    if (size == 0 || size > kMaxCertificateBytes)
        return; // no certificate could be that; counted as unreadable
    std::vector<unsigned char> bytes(size);
    if (Checked("ZQ_TokenGetCert",
                g_tokenApi.ZQ_TokenGetCert(handle, reference.id, reference.idLength, bytes.data(),
                                           size)) != 0)
        return;
    // A size reported above the certificate's leaves padding behind it, which must not be
    // registered or shown as part of it. Bytes that are no DER element keep the size, so
    // registration refuses them as it refuses any bytes that are no certificate.
    const std::size_t element = token::DerElementLength(bytes.data(), size);
    OnCertificate(container, bytes.data(), static_cast<std::int32_t>(element > 0 ? element : size),
                  usage);
}
