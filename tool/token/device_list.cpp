#include "device_list.h"

#include <cstring>

namespace token {

std::vector<ListedDevice> ParseDeviceList(const char* buffer, std::uint32_t size,
                                          std::uint32_t count, std::size_t field) {
    std::vector<ListedDevice> devices;
    if (!buffer)
        return devices;
    std::size_t at = 0;
    for (std::uint32_t n = 0; n < count && at < size; ++n) {
        const void* end = std::memchr(buffer + at, '\0', size - at);
        if (!end)
            break;
        const std::size_t length = static_cast<const char*>(end) - (buffer + at);
        devices.push_back(
            ListedDevice{static_cast<int>(n + 1), buffer + at, length, length < field});
        at += length + 1;
    }
    return devices;
}

} // namespace token
