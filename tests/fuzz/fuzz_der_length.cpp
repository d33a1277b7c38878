// The certificate bytes the library hands back, of the size it reports: any bytes at all.
// Input: the buffer.
#include "fuzz_input.h"
#include "token/der_length.h"

namespace {

// One tag byte (not the escape to a longer tag), then the short form or 1 to 4 length octets,
// then the contents, all within the buffer. Counted wide, so no sum can wrap.
std::uint64_t ElementLength(const unsigned char* buffer, std::size_t size) {
    if (size < 2 || (buffer[0] & 0x1F) == 0x1F)
        return 0;
    std::uint64_t header = 2, contents = buffer[1];
    if (buffer[1] & 0x80) {
        const std::size_t octets = buffer[1] & 0x7F;
        if (octets == 0 || octets > 4 || 2 + octets > size)
            return 0;
        header += octets;
        contents = 0;
        for (std::size_t i = 0; i < octets; ++i)
            contents = contents << 8 | buffer[2 + i];
    }
    return header + contents <= size ? header + contents : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    std::size_t bytes = 0;
    const unsigned char* buffer = in.RestInPlace(&bytes);
    FUZZ_CHECK(token::DerElementLength(buffer, bytes) == ElementLength(buffer, bytes));
    return 0;
}
