// Kestrun's choice and its bounded copy. Input: version known (low bit), major version (4),
// package choice (4), target size (2, up to 511), then the source text.
#include "fuzz_input.h"
#include "setup_choice.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const bool known = (in.Byte() & 1) != 0;
    const unsigned long major = in.U32();
    const int choice = static_cast<int>(in.U32());
    unsigned long targetSize = in.Byte();
    targetSize |= static_cast<unsigned long>(in.Byte() & 1) << 8;
    const std::string sourceBytes = in.Rest();

    const int above4 = kestrun::MajorVersionAbove4(known, major);
    FUZZ_CHECK(above4 == (!known || major > 4 ? 1 : 0));
    const kestrun::SetupPackage package = kestrun::PackageFor(choice);
    FUZZ_CHECK(std::strcmp(package.directory, choice == 1 ? "setup/" : "win98/") == 0);
    FUZZ_CHECK(std::strcmp(package.file, choice == 1 ? "ZQTM_USBKEY_Setup.exe" : "Setup.exe") == 0);

    // Source and target exactly as large as they are: a byte too far is a heap overflow.
    std::unique_ptr<char[]> source(new char[sourceBytes.size() + 1]);
    std::memcpy(source.get(), sourceBytes.data(), sourceBytes.size());
    source[sourceBytes.size()] = '\0';
    std::unique_ptr<char[]> target(new char[targetSize]);
    std::memset(target.get(), 0x5A, targetSize);
    kestrun::CopyBounded(target.get(), targetSize, source.get());
    if (targetSize == 0)
        return 0;
    const std::size_t sourceLength = std::strlen(source.get());
    const std::size_t copied = sourceLength < targetSize - 1 ? sourceLength : targetSize - 1;
    FUZZ_CHECK(std::memcmp(target.get(), source.get(), copied) == 0);
    FUZZ_CHECK(target[copied] == '\0');
    for (std::size_t i = copied + 1; i < targetSize; ++i)
        FUZZ_CHECK(target[i] == 0x5A);
    return 0;
}
