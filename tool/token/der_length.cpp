#include "der_length.h"

namespace token {

std::size_t DerElementLength(const unsigned char* bytes, std::size_t size) {
    if (size < 2 || (bytes[0] & 0x1F) == 0x1F)
        return 0; // no room for tag and length, or a tag of several bytes: no certificate
    std::size_t header = 2;
    std::size_t contents = bytes[1];
    if (contents & 0x80) {
        const std::size_t octets = contents & 0x7F;
        // 0 octets is the indefinite form, which DER does not allow; more than 4 cannot fit.
        if (octets == 0 || octets > 4 || size < 2 + octets)
            return 0;
        contents = 0;
        for (std::size_t i = 0; i < octets; ++i)
            contents = (contents << 8) | bytes[2 + i];
        header += octets;
    }
    return contents <= size - header ? header + contents : 0;
}

} // namespace token
