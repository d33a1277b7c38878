// The stand-in keeps PINs only as hashes: it lives in the process of the program that uses it,
// and a PIN it kept in clear there would outlive the program's own care.
#pragma once

#include <cstddef>
#include <string>

namespace zqsim {

// 16 hexadecimal digits of a 64-bit FNV-1a hash of the bytes. A stand-in's secret, not a
// token's: good enough to tell PINs apart, never to protect one.
std::string PinHash(const char* pin, std::size_t length);
inline std::string PinHash(const std::string& pin) {
    return PinHash(pin.data(), pin.size());
}

} // namespace zqsim
