// The rules a new PIN must pass before it is sent to the token. Platform-free.
#pragma once

namespace pin {

// Refusals, by the number of the string-table text that explains them.
constexpr int kPinAccepted = 0;
constexpr int kPinEmpty = 12;     // "Empty PIN"
constexpr int kPinMismatch = 13;  // "The new PIN and the confirm PIN do not match."
constexpr int kPinUnsafe = 81;    // "Unsafe PIN, please input a safe PIN!"
constexpr int kPinBadLength = 82; // "The length of the new PIN must be between 6 and 8!"

// 0 to accept, else the refusal; the first rule that fires decides. The lengths are byte counts
// of the zero-terminated PINs. The original PIN is tested for emptiness only: whether it is
// right only the token can say.
int CheckNewPin(const char* oldPin, int oldLength, const char* newPin, int newLength,
                const char* confirmPin, int confirmLength);

// The message-box style of a refusal: no icon for empty and mismatched input, the exclamation
// mark for what the policy refuses.
unsigned RefusalStyle(int refusal);

} // namespace pin
