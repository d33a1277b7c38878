// A certificate's own length against the size the library reported for it.
#include "token/der_length.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DerLength, TheElementSaysHowLongItIsWithinTheBytesOnly) {
    const struct {
        std::vector<unsigned char> bytes;
        std::size_t expected;
    } rows[] = {
        {{0x30, 0x03, 1, 2, 3}, 5},                // short form
        {{0x30, 0x03, 1, 2, 3, 0, 0, 0}, 5},       // padding behind it is not counted
        {{0x30, 0x04, 1, 2, 3}, 0},                // contents cut off
        {{0x30, 0x81, 0x02, 9, 9, 0}, 5},          // long form, one octet
        {{0x30, 0x82, 0x01, 0x00}, 0},             // 256 bytes promised, none there
        {{0x30, 0x80, 1, 2, 0, 0}, 0},             // indefinite form: not DER
        {{0x30, 0x85, 0, 0, 0, 0, 1, 7}, 0},       // more length octets than any fit
        {{0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}, 0}, // a length that would wrap
        {{0x1F, 0x01, 0x00}, 0},                   // a tag of several bytes
        {{0x30}, 0},
        {{}, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(token::DerElementLength(row.bytes.data(), row.bytes.size()), row.expected)
            << "row of " << row.bytes.size() << " bytes";

    std::vector<unsigned char> certificate(4 + 1200, 0xAB);
    certificate[0] = 0x30;
    certificate[1] = 0x82;
    certificate[2] = 1200 >> 8;
    certificate[3] = 1200 & 0xFF;
    certificate.resize(4097); // the size a library reported, zeros behind the certificate
    EXPECT_EQ(token::DerElementLength(certificate.data(), certificate.size()), 1204u);
}
