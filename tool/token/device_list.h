// Reading the device list that ZQ_ListAllDev hands back: names one after another, each ending
// in a zero byte. The list comes from outside, so it is read strictly within the bytes the
// library reported. Platform-free.
#pragma once

#include "device_name.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace token {

constexpr std::size_t kDeviceNameField = kDeviceNameBytes; // terminator included

struct ListedDevice {
    int position;       // 1-based place in the list; every complete name counts
    const char* name;   // points into the caller's buffer, zero-terminated there
    std::size_t length; // bytes without the terminator
    bool fits;          // false when the name cannot be kept whole in kDeviceNameField
};

// At most `count` names, and only names whose terminator lies inside the `size` bytes: a count
// larger than the names present, or a last name cut off, never leads past the buffer.
std::vector<ListedDevice> ParseDeviceList(const char* buffer, std::uint32_t size,
                                          std::uint32_t count,
                                          std::size_t field = kDeviceNameField);

} // namespace token
