#include "pin_hash.h"

#include <cstdint>

namespace zqsim {

std::string PinHash(const char* pin, std::size_t length) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(pin[i]);
        hash *= 0x100000001b3ull;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        text[static_cast<std::size_t>(i)] = kDigits[hash & 0xF];
    return text;
}

} // namespace zqsim
