// The device list as the vendor library may hand it back: any bytes, a count that need not
// match them, a reported size that may fall short of the buffer.
// Input: count (0xFF: the largest), bytes cut off the reported size, name field (0: the
// record's), then the list.
#include "fuzz_input.h"
#include "token/device_list.h"

#include <cstring>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t countByte = in.Byte();
    const std::uint32_t count =
        countByte == 0xFF ? std::numeric_limits<std::uint32_t>::max() : countByte;
    const std::size_t cut = in.Byte();
    const std::size_t fieldByte = in.Byte();
    const std::size_t field = fieldByte == 0 ? token::kDeviceNameField : fieldByte;
    std::size_t bytes = 0;
    const char* list = reinterpret_cast<const char*>(in.RestInPlace(&bytes));
    const std::size_t reported = bytes - (cut < bytes ? cut : bytes);

    const std::vector<token::ListedDevice> devices =
        token::ParseDeviceList(list, static_cast<std::uint32_t>(reported), count, field);

    // Every complete name within the reported bytes, in order, up to the count.
    std::size_t at = 0, n = 0;
    for (; n < count && at < reported; ++n) {
        const void* end = std::memchr(list + at, '\0', reported - at);
        if (!end)
            break;
        const std::size_t length =
            static_cast<std::size_t>(static_cast<const char*>(end) - list) - at;
        FUZZ_CHECK(n < devices.size());
        const token::ListedDevice& device = devices[n];
        FUZZ_CHECK(device.position == static_cast<int>(n + 1));
        FUZZ_CHECK(device.name == list + at);
        FUZZ_CHECK(device.length == length);
        FUZZ_CHECK(device.fits == (length < field));
        at += length + 1;
    }
    FUZZ_CHECK(devices.size() == n);
    return 0;
}
