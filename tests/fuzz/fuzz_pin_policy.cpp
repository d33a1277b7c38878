// The PIN policy over any three PINs of up to 32 bytes, as the fields read them. Each PIN lies
// in a buffer of its bytes and a terminator; its length is usually its strlen, but may be any
// count within the buffer (an embedded zero, a shorter count).
// Input: sizes of the original and new PIN, three length choices (below 0x80: strlen, else a
// count within the buffer), then the three PINs' bytes.
#include "fuzz_input.h"
#include "pin/pin_field.h"
#include "pin/pin_policy.h"

#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kMaxPin = pin::kPinBufferBytes - 1;

struct Pin {
    std::unique_ptr<char[]> text; // exactly its bytes and a terminator
    int length;
};

Pin MakePin(const std::string& bytes, std::uint8_t lengthChoice) {
    Pin p{std::make_unique<char[]>(bytes.size() + 1), 0};
    std::memcpy(p.text.get(), bytes.data(), bytes.size());
    p.text[bytes.size()] = '\0';
    p.length = lengthChoice < 0x80 ? static_cast<int>(std::strlen(p.text.get()))
                                   : static_cast<int>((lengthChoice - 0x80) % (bytes.size() + 1));
    return p;
}

// One run with this step: each byte the first plus i steps, every later one within 1..255.
bool IsRun(const char* text, int length, int step) {
    const int first = static_cast<unsigned char>(text[0]);
    for (int i = 1; i < length; ++i) {
        const int expected = first + i * step;
        if (expected < 1 || expected > 255 || static_cast<unsigned char>(text[i]) != expected)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::size_t oldSize = in.Byte() % (kMaxPin + 1);
    const std::size_t newSize = in.Byte() % (kMaxPin + 1);
    const std::uint8_t choices[3] = {in.Byte(), in.Byte(), in.Byte()};
    const Pin oldPin = MakePin(in.Bytes(oldSize), choices[0]);
    const Pin newPin = MakePin(in.Bytes(newSize), choices[1]);
    const Pin confirm = MakePin(in.Bytes(kMaxPin), choices[2]);

    const int result = pin::CheckNewPin(oldPin.text.get(), oldPin.length, newPin.text.get(),
                                        newPin.length, confirm.text.get(), confirm.length);

    int expected = pin::kPinAccepted;
    if (oldPin.length == 0 || newPin.length == 0 || confirm.length == 0)
        expected = pin::kPinEmpty;
    else if (std::strcmp(newPin.text.get(), confirm.text.get()) != 0)
        expected = pin::kPinMismatch;
    else if (confirm.length < 6 || confirm.length > 8)
        expected = pin::kPinBadLength;
    else if (IsRun(confirm.text.get(), confirm.length, 0) ||
             IsRun(confirm.text.get(), confirm.length, 1) ||
             IsRun(confirm.text.get(), confirm.length, -1))
        expected = pin::kPinUnsafe;
    FUZZ_CHECK(result == expected);
    FUZZ_CHECK(pin::RefusalStyle(result) ==
               (result == pin::kPinUnsafe || result == pin::kPinBadLength ? 0x30u : 0u));
    return 0;
}
