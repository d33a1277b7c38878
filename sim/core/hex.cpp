#include "hex.h"

namespace zqsim {
namespace {

const char kDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string ToHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

bool FromHex(const std::string& text, std::vector<std::uint8_t>* out) {
    if (text.size() % 2 != 0)
        return false;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int hi = HexValue(text[i]);
        int lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    out->swap(bytes);
    return true;
}

std::string EscapeBytes(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c > ' ' && c <= '~' && c != '%') {
            text.push_back(static_cast<char>(c));
        } else {
            text.push_back('%');
            text.push_back(kDigits[c >> 4]);
            text.push_back(kDigits[c & 15]);
        }
    }
    return text;
}

bool UnescapeBytes(const std::string& text, std::string* out) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.push_back(text[i]);
            continue;
        }
        int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    out->swap(bytes);
    return true;
}

} // namespace zqsim
