// Text formatting by the system's own C runtime (msvcrt.dll's _vsnprintf), which every family
// has: the compiler's runtime brings a formatter of its own into the program otherwise, built for
// processors newer than the oldest Pentium.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// As snprintf: the text cut to size - 1 bytes and always terminated. The format's conversions
// are those of msvcrt (no %lld, no %zu). Returns the length written.
int FormatText(char* buffer, std::size_t size, const char* format, ...);

// A 64-bit value in decimal, which msvcrt's oldest versions cannot format.
std::string DecimalText(long long value);

// Text from outside (a token, a certificate, the registry) as one line: control bytes shown as
// '?', so nothing read can break a report's layout or put lines of its own into a balloon.
std::string OneLine(const std::string& text);

} // namespace platform
