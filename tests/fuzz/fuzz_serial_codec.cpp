// The card serial's eight groups as any text the fields could hold, and packing any text.
// Input: the groups, separated by '|' (further separators stay in the last group); all of it
// is also packed as one text.
#include "card_binding/serial_codec.h"
#include "fuzz_input.h"

#include <cstring>
#include <memory>

namespace {

bool IsHexDigit(char c) {
    return std::memchr("0123456789abcdefABCDEF", c, 22) != nullptr && c != '\0';
}

unsigned HalfByte(char c) {
    if (!IsHexDigit(c))
        return 0x5A;
    return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string text = in.Rest();

    constexpr int kGroups = 2 * card::kGroupsPerEntry;
    std::string groups[kGroups];
    int g = 0;
    for (char c : text) {
        if (c == '|' && g + 1 < kGroups)
            ++g;
        else
            groups[g] += c;
    }
    const std::string* const order[kGroups] = {&groups[0], &groups[1], &groups[2], &groups[3],
                                               &groups[4], &groups[5], &groups[6], &groups[7]};
    int expected = card::kSerialAccepted;
    for (const std::string& group : groups)
        if (group.empty())
            expected = card::kSerialIncomplete;
    for (int i = 0; i < kGroups && expected == card::kSerialAccepted; ++i) {
        if (groups[i].size() < static_cast<std::size_t>(card::kGroupChars))
            expected = card::kSerialIncomplete;
        for (char c : groups[i])
            if (expected == card::kSerialAccepted && !IsHexDigit(c))
                expected = card::kSerialIllegal;
    }
    FUZZ_CHECK(card::ValidateSerial(order) == expected);

    // Exactly length / 2 bytes of room: a byte more written is a heap overflow.
    const int length = static_cast<int>(text.size());
    const std::size_t room = text.size() / 2;
    std::unique_ptr<unsigned char[]> packed(new unsigned char[room]);
    std::memset(packed.get(), 0xEE, room);
    const int packedOk = card::PackSerial(text.data(), length, packed.get());
    FUZZ_CHECK(packedOk == (length > 0 && length % 2 == 0 ? 1 : 0));
    for (std::size_t i = 0; i < room; ++i) {
        const unsigned expectedByte =
            packedOk ? ((HalfByte(text[2 * i]) << 4) | HalfByte(text[2 * i + 1])) & 0xFF : 0xEE;
        FUZZ_CHECK(packed[i] == expectedByte);
    }
    return 0;
}
