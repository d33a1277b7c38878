#include "pin_policy.h"

#include <cstring>

namespace pin {
namespace {

constexpr unsigned kStyleExclamation = 0x30; // MB_ICONEXCLAMATION

// Whether the PIN is one run from its first byte with this step, in 8-bit arithmetic: a run that
// wraps through zero would hold a zero byte, which no entered PIN does, so it never matches.
bool IsRun(const unsigned char* pinBytes, int length, int step) {
    unsigned char expected = pinBytes[0];
    for (int i = 1; i < length; ++i) {
        expected = static_cast<unsigned char>(expected + step);
        if (expected == 0 || pinBytes[i] != expected)
            return false;
    }
    return true;
}

} // namespace

int CheckNewPin(const char*, int oldLength, const char* newPin, int newLength,
                const char* confirmPin, int confirmLength) {
    if (oldLength == 0 || newLength == 0 || confirmLength == 0)
        return kPinEmpty;
    if (std::strcmp(newPin, confirmPin) != 0)
        return kPinMismatch;
    if (confirmLength < 6 || confirmLength > 8)
        return kPinBadLength;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(confirmPin);
    if (IsRun(bytes, confirmLength, 0) || IsRun(bytes, confirmLength, 1) ||
        IsRun(bytes, confirmLength, -1))
        return kPinUnsafe;
    return kPinAccepted;
}

unsigned RefusalStyle(int refusal) {
    return refusal == kPinUnsafe || refusal == kPinBadLength ? kStyleExclamation : 0;
}

} // namespace pin
