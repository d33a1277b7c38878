// The card serial's checks and packing, against the cases a person can type.
#include "card_binding/serial_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int Validate(const std::string& serial, const std::string& confirm) {
    // Groups are separated by '|' here, as the four fields separate them on screen.
    std::string groups[8];
    const std::string both = serial + "|" + confirm;
    int n = 0;
    for (char c : both) {
        if (c == '|')
            ++n;
        else
            groups[n] += c;
    }
    const std::string* const order[8] = {&groups[0], &groups[1], &groups[2], &groups[3],
                                         &groups[4], &groups[5], &groups[6], &groups[7]};
    return card::ValidateSerial(order);
}

TEST(SerialCodec, GroupsAreCheckedForEmptinessFirstThenOneByOne) {
    const struct {
        const char *serial, *confirm;
        int result;
    } rows[] = {
        {"|||", "|||", 79},
        {"12ab|CDEF|0000|9999", "12ab|CDEF|0000|", 79}, // the last group empty
        {"12x|CDEF|0000|9999", "12ab|CDEF||9999", 79},  // an empty group wins over a bad one
        {"12a|CDEF|0000|9999", "12ab|CDEF|0000|9999", 79},
        {"12ab|CDEF|0000|999", "12ab|CDEF|0000|9999", 79},
        {"12ag|CDEF|0000|999", "12ab|CDEF|0000|9999", 80}, // a bad earlier group wins
        {"12ab|CDEF|00-0|9999", "12ab|CDEF|0000|9999", 80},
        {"12ab|CDEF|0000|9999", "12ab|CD F|0000|9999", 80},
        {"12ab|CDEF|0000|9999", "12ab|CDEF|0000|999\xE9", 80},
        {"12ab|CDEG|0000|9999", "12ab|CDEF|0000|9999", 80},
        {"12ab|CDEF|0000|9999", "12AB|cdef|0000|9999", 0}, // letters of either case
    };
    for (const auto& row : rows)
        EXPECT_EQ(Validate(row.serial, row.confirm), row.result)
            << row.serial << " / " << row.confirm;
}

TEST(SerialCodec, PackingIsHexadecimalDecodingAndRefusesOddOrEmptyText) {
    unsigned char packed[8];
    ASSERT_EQ(card::PackSerial("0123456789abcDEF", 16, packed), 1);
    const unsigned char expected[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(std::memcmp(packed, expected, 8), 0);
    // What the dialog never lets through: other bytes count as 0x5A, cut to a byte up high.
    ASSERT_EQ(card::PackSerial("g1", 2, packed), 1);
    EXPECT_EQ(packed[0], 0xA1);
    ASSERT_EQ(card::PackSerial("4-", 2, packed), 1);
    EXPECT_EQ(packed[0], 0x40 | 0x5A);
    for (int length : {0, 1, 15}) {
        std::memset(packed, 0xEE, sizeof packed);
        EXPECT_EQ(card::PackSerial("0123456789abcdef", length, packed), 0) << length;
        for (unsigned char b : packed)
            EXPECT_EQ(b, 0xEE) << "written for length " << length;
    }
}

} // namespace
