// Hex text for the binary fields of a rig file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqsim {

std::string ToHex(const std::vector<std::uint8_t>& bytes);
// False (and out untouched) unless text is an even number of hex digits.
bool FromHex(const std::string& text, std::vector<std::uint8_t>* out);

// Byte strings (device and container names may hold any byte but 0) as one printable word:
// every byte outside '!'..'~' and every '%' becomes %XX.
std::string EscapeBytes(const std::string& bytes);
bool UnescapeBytes(const std::string& text, std::string* out);

} // namespace zqsim
