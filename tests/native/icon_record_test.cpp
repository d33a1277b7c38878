// The icon record a shell takes, by the version it reports.
#include "shell/icon_record.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(IconRecord, ShellsBefore5TakeTheFirstVersionWithItsShortTip) {
    const struct {
        unsigned major, minor;
        tray::IconRecord record;
    } cases[] = {
        {4, 0, tray::IconRecord::kFirstVersion},   // 95, NT 4.0; also no DllGetVersion at all
        {4, 71, tray::IconRecord::kFirstVersion},  // IE 4.0's desktop update
        {4, 72, tray::IconRecord::kFirstVersion},  // 98
        {5, 0, tray::IconRecord::kSecondVersion},  // 2000, Me
        {5, 50, tray::IconRecord::kSecondVersion}, // Me's
        {6, 0, tray::IconRecord::kSecondVersion},  // XP and later
        {0, 0, tray::IconRecord::kFirstVersion},   // a nonsense answer gets the safe record
    };
    for (const auto& c : cases) {
        const tray::IconRecord record = tray::IconRecordFor(c.major, c.minor);
        EXPECT_EQ(record, c.record) << c.major << "." << c.minor;
        EXPECT_EQ(tray::ShowsBalloons(record), c.major >= 5) << c.major << "." << c.minor;
    }
    EXPECT_EQ(tray::TipBytes(tray::IconRecord::kFirstVersion), 64u);
    EXPECT_EQ(tray::TipBytes(tray::IconRecord::kSecondVersion), 128u);
    // The tip the main window gives its icon fits the first version's.
    EXPECT_LT(std::strlen("Keystead"), tray::TipBytes(tray::IconRecord::kFirstVersion));
}
