// When a certificate is worth a warning, and what the warning remembers. Platform-free: times
// are 100-nanosecond counts since 1601 (the system's file times), dates are local calendar days.
#pragma once

#include <cstdint>
#include <string>

namespace expiry {

// Warned of when it expires within this many days, or has expired.
constexpr std::int64_t kWarningDays = 30;

// Whole days until notAfter, a part of a day counting as a day: 0 or less once it has expired.
std::int64_t DaysLeft(std::int64_t notAfter, std::int64_t now);
inline bool IsDue(std::int64_t daysLeft) {
    return daysLeft <= kWarningDays;
}

// "YYYYMMDD": what is stored for the day a certificate was last announced.
std::string DayStamp(unsigned year, unsigned month, unsigned day);
// Announced at most once a day: a stamp of another day (or none) lets it be announced again.
inline bool AnnouncedToday(const std::string& stored, const std::string& today) {
    return stored == today;
}

// Cut to at most `capacity` - 1 bytes at a whole line, ending in "..." when lines were left out,
// so a balloon or a tip never shows half a name; a first line too long on its own is cut within
// it, never inside a double-byte character (isLeadByte: the code page's first bytes).
std::string FitLines(const std::string& text, std::size_t capacity,
                     bool (*isLeadByte)(unsigned char));

} // namespace expiry
