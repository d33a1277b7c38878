#include "serial_codec.h"

namespace card {
namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HalfByte(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    return 0x5A;
}

} // namespace

int ValidateSerial(const std::string* const (&groups)[2 * kGroupsPerEntry]) {
    for (const std::string* group : groups)
        if (group->empty())
            return kSerialIncomplete;
    for (const std::string* group : groups) {
        if (group->size() < static_cast<std::size_t>(kGroupChars))
            return kSerialIncomplete;
        for (char c : *group)
            if (!IsHexDigit(c))
                return kSerialIllegal;
    }
    return kSerialAccepted;
}

int PackSerial(const char* text, int length, unsigned char* destination) {
    if (length <= 0 || length % 2 != 0)
        return 0;
    for (int i = 0; i < length / 2; ++i)
        destination[i] =
            static_cast<unsigned char>(((HalfByte(text[2 * i]) << 4) | HalfByte(text[2 * i + 1])));
    return 1;
}

} // namespace card
