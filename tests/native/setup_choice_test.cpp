// Kestrun's choice of setup program, over every Windows family it can meet.
#include "setup_choice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kestrun;

TEST(SetupChoice, NtFromVersionFiveOnTakesSetupEverythingOlderTakesWin98) {
    struct {
        unsigned long major;
        int above4;
    } cases[] = {{3, 0},
                 {4, 0} /* 95, 98, Me, NT 4.0 */,
                 {5, 1} /* 2000, XP */,
                 {6, 1} /* Vista, 7 */,
                 {10, 1},
                 {0xFFFFFFFFul, 1} /* unsigned compare */};
    for (const auto& c : cases)
        EXPECT_EQ(MajorVersionAbove4(true, c.major), c.above4) << c.major;

    SetupPackage nt = PackageFor(1);
    EXPECT_STREQ(nt.directory, "setup/");
    EXPECT_STREQ(nt.file, "ZQTM_USBKEY_Setup.exe");
    SetupPackage old = PackageFor(0);
    EXPECT_STREQ(old.directory, "win98/");
    EXPECT_STREQ(old.file, "Setup.exe");
}

TEST(SetupChoice, AnUnreadableVersionStartsTheNtPackage) {
    EXPECT_EQ(MajorVersionAbove4(false, 0), 1);
    EXPECT_EQ(MajorVersionAbove4(false, 4), 1);
}

TEST(SetupChoice, BoundedCopyKeepsAtMostSizeMinusOneAndTerminates) {
    char small[8];
    std::memset(small, 'x', sizeof small);
    CopyBounded(small, sizeof small, "setup/ZQTM");
    EXPECT_EQ(std::string(small), "setup/Z");
    CopyBounded(small, sizeof small, "");
    EXPECT_EQ(small[0], '\0');

    char exact[128];
    std::string long127(127, 'a'), long200(200, 'b');
    CopyBounded(exact, sizeof exact, long127.c_str());
    EXPECT_EQ(std::string(exact), long127);
    CopyBounded(exact, sizeof exact, long200.c_str());
    EXPECT_EQ(std::string(exact), std::string(127, 'b'));

    char untouched = 'q';
    CopyBounded(&untouched, 0, "abc");
    EXPECT_EQ(untouched, 'q');
}
