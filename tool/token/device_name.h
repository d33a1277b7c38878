// The name of a token's device as the library lists it: one type for the tree's records, the
// commands and the monitors, so a name taken from one always fits the other.
#pragma once

#include <cstddef>
#include <cstring>

constexpr std::size_t kDeviceNameBytes = 256; // the terminator included

struct DeviceName {
    char text[kDeviceNameBytes];
};

// The name whole, or false and an empty name: a cut name could reach another device.
inline bool CopyDeviceName(DeviceName* to, const char* name, std::size_t length) {
    std::memset(to->text, 0, sizeof to->text);
    if (!name || length >= sizeof to->text)
        return false;
    std::memcpy(to->text, name, length);
    return true;
}
