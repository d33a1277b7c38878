#include "format_text.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

int FormatText(char* buffer, std::size_t size, const char* format, ...) {
    if (size == 0)
        return 0;
    va_list arguments;
    va_start(arguments, format);
    // msvcrt's leaves no terminator when the text fills the buffer, and returns -1 when cut.
    const int written = _vsnprintf(buffer, size - 1, format, arguments);
    va_end(arguments);
    buffer[size - 1] = '\0';
    if (written < 0 || static_cast<std::size_t>(written) >= size - 1) {
        return static_cast<int>(size - 1);
    }
    buffer[written] = '\0';
    return written;
}

std::string DecimalText(long long value) {
    char digits[24];
    int at = sizeof digits;
    digits[--at] = '\0';
    // Through the magnitude as unsigned, so the most negative value has one too.
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--at] = '-';
    return digits + at;
}

std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return line;
}

} // namespace platform
