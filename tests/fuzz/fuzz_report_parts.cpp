// The installation report's buffers: registry text that may fill its buffer, provider names,
// and a path joined into a fixed buffer. Input: path capacity (2 bytes, up to 511), directory
// length, the directory, then the file name, which is also read as a registry buffer.
#include "fuzz_input.h"
#include "install_check/report_parts.h"

#include <cstring>
#include <memory>

namespace {

// Exactly its bytes and a terminator, so a read past the terminator is a heap overflow.
std::unique_ptr<char[]> Terminated(const std::string& bytes) {
    std::unique_ptr<char[]> text(new char[bytes.size() + 1]);
    std::memcpy(text.get(), bytes.data(), bytes.size());
    text[bytes.size()] = '\0';
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace install_check;
    FuzzInput in(data, size);
    std::size_t capacity = in.Byte();
    capacity |= static_cast<std::size_t>(in.Byte() & 1) << 8;
    const std::unique_ptr<char[]> directory = Terminated(in.Bytes(in.Byte()));
    std::size_t bytes = 0;
    const char* buffer = reinterpret_cast<const char*>(in.RestInPlace(&bytes));

    const void* end = std::memchr(buffer, '\0', bytes);
    FUZZ_CHECK(TextInBuffer(buffer, bytes) ==
               (end ? std::string(buffer, static_cast<const char*>(end)) : std::string()));

    const std::string name = directory.get();
    FUZZ_CHECK(IsVelqProviderName(directory.get()) == (name.compare(0, 4, "VELQ") == 0));

    const std::unique_ptr<char[]> file = Terminated(std::string(buffer, bytes));
    std::unique_ptr<char[]> path(new char[capacity]);
    std::memset(path.get(), 0x5A, capacity);
    const bool joined = SystemFilePath(directory.get(), file.get(), path.get(), capacity);
    const std::string expected = name + "\\" + file.get();
    FUZZ_CHECK(joined == (expected.size() < capacity));
    if (joined)
        FUZZ_CHECK(std::memcmp(path.get(), expected.c_str(), expected.size() + 1) == 0);
    else if (capacity > 0)
        FUZZ_CHECK(path[0] == '\0');
    return 0;
}
