#include "expiry_rules.h"

namespace expiry {

namespace {
constexpr std::int64_t kDay = 24LL * 60 * 60 * 10000000;
} // namespace

std::int64_t DaysLeft(std::int64_t notAfter, std::int64_t now) {
    const std::int64_t left = notAfter - now;
    if (left <= 0)
        return -((-left) / kDay); // expired: the whole days since
    return (left + kDay - 1) / kDay;
}

std::string DayStamp(unsigned year, unsigned month, unsigned day) {
    const unsigned fields[3][2] = {{year % 10000, 1000}, {month % 100, 10}, {day % 100, 10}};
    std::string stamp;
    for (const auto& field : fields)
        for (unsigned place = field[1]; place > 0; place /= 10)
            stamp += static_cast<char>('0' + field[0] / place % 10);
    return stamp;
}

std::string FitLines(const std::string& text, std::size_t capacity,
                     bool (*isLeadByte)(unsigned char)) {
    const std::string more = "...";
    if (text.size() < capacity)
        return text;
    if (capacity <= more.size())
        return std::string();
    std::string fitted;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, next - start);
        if (fitted.size() + line.size() + more.size() >= capacity)
            break;
        fitted += line;
        start = next;
    }
    if (fitted.empty()) {
        // Whole characters of the first line, as many as fit before the "...".
        std::size_t at = 0;
        while (at < text.size() && text[at] != '\n') {
            const std::size_t width =
                isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
            if (at + width + more.size() >= capacity)
                break;
            at += width;
        }
        fitted = text.substr(0, at);
    }
    return fitted + more;
}

} // namespace expiry
