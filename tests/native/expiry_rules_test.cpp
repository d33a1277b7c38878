// When a certificate is due a warning, and how a warning is cut to what the shell shows.
#include "certificates/expiry_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::int64_t kSecond = 10000000, kDay = 24 * 60 * 60 * kSecond;
constexpr std::int64_t kNow = 133000000000000000; // some day in 2022

bool NoLeadBytes(unsigned char) {
    return false;
}
// As in the Simplified Chinese code page: a byte from 0x81 opens a two-byte character.
bool Gbk(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

} // namespace

TEST(ExpiryRules, DaysLeftCountsAPartOfADayAsADayAndIsDueFrom30DaysOn) {
    const struct {
        std::int64_t notAfter;
        std::int64_t days;
        bool due;
    } cases[] = {
        {kNow + 100 * kDay, 100, false},
        {kNow + 31 * kDay, 31, false},
        {kNow + 30 * kDay + kSecond, 31, false}, // a second past 30 days is the 31st day
        {kNow + 30 * kDay, 30, true},
        {kNow + 10 * kDay - kSecond, 10, true},
        {kNow + kSecond, 1, true},
        {kNow, 0, true}, // its last moment has come
        {kNow - kSecond, 0, true},
        {kNow - 3 * kDay - kSecond, -3, true},
    };
    for (const auto& c : cases) {
        const std::int64_t days = expiry::DaysLeft(c.notAfter, kNow);
        EXPECT_EQ(days, c.days) << (c.notAfter - kNow) / kSecond << " s";
        EXPECT_EQ(expiry::IsDue(days), c.due) << days;
    }
}

TEST(ExpiryRules, OnlyTheSameDaysStampCountsAsAnnouncedToday) {
    const std::string today = expiry::DayStamp(2026, 12, 11);
    EXPECT_EQ(today, "20261211");
    EXPECT_EQ(expiry::DayStamp(999, 1, 2), "09990102");
    EXPECT_TRUE(expiry::AnnouncedToday(today, "20261211"));
    for (const char* other : {"", "20261210", "20271211", "2026121"})
        EXPECT_FALSE(expiry::AnnouncedToday(other, today)) << other;
}

TEST(ExpiryRules, FitLinesKeepsWholeLinesAndWholeCharacters) {
    const struct {
        std::string text;
        std::size_t capacity;
        bool (*lead)(unsigned char);
        std::string fitted;
    } cases[] = {
        {"short", 64, NoLeadBytes, "short"},
        {"", 64, NoLeadBytes, ""},
        {"first line\nsecond line\nthird", 27, NoLeadBytes, "first line\nsecond line\n..."},
        {"first line\nsecond line\nthird", 26, NoLeadBytes, "first line\n..."},
        {"abcdefghij", 8, NoLeadBytes, "abcd..."},
        {"abcdefghij", 3, NoLeadBytes, ""},
        // "a" then two two-byte characters: the cut never falls between a pair's bytes.
        {"a\xC4\xE3\xBA\xC3zzzz", 8, Gbk, "a\xC4\xE3..."},
        {"a\xC4\xE3\xBA\xC3zzzz", 9, Gbk, "a\xC4\xE3\xBA\xC3..."},
    };
    for (const auto& c : cases) {
        const std::string fitted = expiry::FitLines(c.text, c.capacity, c.lead);
        EXPECT_EQ(fitted, c.fitted) << c.text << " in " << c.capacity;
        EXPECT_LT(fitted.size(), std::max<std::size_t>(c.capacity, 1));
    }
}
