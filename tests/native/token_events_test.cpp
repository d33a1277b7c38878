// Which device notifications count as the token's.
#include "shell/token_events.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using shell::NameMarksToken;
using shell::Win9xEventCounter;

TEST(TokenEvents, TheMarkIsFoundInAnyLetterCaseAndNowhereElse) {
    const char* upper = "\\\\?\\USBSTOR#CdRom&Ven_VELQ&Prod_USB_KEY#1&0#{53f56308}";
    const char* lower = "\\\\?\\usbstor#cdrom&ven_velq&prod_usb_key#1&0#{53f56308}";
    EXPECT_TRUE(NameMarksToken(upper, std::strlen(upper)));
    EXPECT_TRUE(NameMarksToken(lower, std::strlen(lower)));
    EXPECT_TRUE(NameMarksToken("vElQ", 4));
    EXPECT_FALSE(NameMarksToken("\\\\?\\IDE#CdRomTSSTcorp#5&1#{53f56308}", 34));
    EXPECT_FALSE(NameMarksToken("VEL Q", 5));
    EXPECT_FALSE(NameMarksToken(nullptr, 10));
}

TEST(TokenEvents, TheNameIsReadOnlyWithinItsLengthAndUpToItsTerminator) {
    // No terminator at all: the bytes after the given length are never looked at.
    const char unterminated[8] = {'x', 'x', 'x', 'x', 'V', 'E', 'L', 'Q'};
    EXPECT_FALSE(NameMarksToken(unterminated, 4));
    EXPECT_TRUE(NameMarksToken(unterminated, 8));
    const std::string cut = std::string("abc") + '\0' + "VELQ";
    EXPECT_FALSE(NameMarksToken(cut.data(), cut.size())) << "the mark after the terminator";
    // The caller's text stays as it was.
    char name[] = "ven_velq";
    NameMarksToken(name, sizeof name);
    EXPECT_STREQ(name, "ven_velq");
}

TEST(TokenEvents, OnThe9xFamilyTheFirstFifthAndNinthEventsAreActedOn) {
    Win9xEventCounter counter;
    std::string acted;
    for (int event = 1; event <= 10; ++event)
        acted += counter.Advance() ? '1' : '0';
    EXPECT_EQ(acted, "1000100010");
}
