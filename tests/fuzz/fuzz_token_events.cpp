// The interface name of a device broadcast: any bytes, no terminator promised.
// Input: bytes of the broadcast left out of the length, then the name.
#include "fuzz_input.h"
#include "shell/token_events.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::size_t cut = in.Byte();
    std::size_t bytes = 0;
    const char* name = reinterpret_cast<const char*>(in.RestInPlace(&bytes));
    const std::size_t length = bytes - (cut < bytes ? cut : bytes);

    // The name ends at its terminator or its length; the mark is ASCII, matched in any case.
    bool marked = false;
    for (std::size_t i = 0; i + 4 <= length && !marked; ++i) {
        if (std::memchr(name + i, '\0', 4))
            break;
        marked = true;
        for (std::size_t k = 0; k < 4 && marked; ++k) {
            char c = name[i + k];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            marked = c == "VELQ"[k];
        }
    }
    FUZZ_CHECK(shell::NameMarksToken(name, length) == marked);
    return 0;
}
