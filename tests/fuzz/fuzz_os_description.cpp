// The operating-system line from any version record, the service-pack text often without its
// terminator. Input: platform, major, minor, build (3 bytes: low, high, top), suite mask (2),
// product type, extended (low bit), service-pack bytes (a count, 128 or more for a full field,
// then the bytes), product-options text (a count, then the bytes), then the caller's text.
#include "fuzz_input.h"
#include "install_check/os_description.h"

#include <cstring>

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace install_check;
    FuzzInput in(data, size);
    OsFacts facts;
    OsVersionRecord& record = facts.record;
    record.platformId = in.Byte();
    record.majorVersion = in.Byte();
    record.minorVersion = in.Byte();
    record.buildNumber = in.Byte();
    record.buildNumber |= static_cast<std::uint32_t>(in.Byte()) << 8;
    record.buildNumber |= static_cast<std::uint32_t>(in.Byte()) << 24;
    // Bits no rule reads keep both bytes non-zero: they follow the service-pack field, so a
    // read past its end would carry them into the line.
    record.suiteMask = static_cast<std::uint16_t>(in.Byte() | in.Byte() << 8 | 0x4141);
    record.productType = in.Byte();
    facts.extended = (in.Byte() & 1) != 0;
    const std::size_t csdCount = in.Byte();
    const std::string csd =
        in.Bytes(csdCount < sizeof record.csdVersion ? csdCount : sizeof record.csdVersion);
    std::memcpy(record.csdVersion, csd.data(), csd.size());
    facts.productType = in.Bytes(in.Byte());
    const std::string callerText = in.Rest();

    std::string text = callerText, consoleWord;
    ComposeOsDescription(facts, text, consoleWord);

    FUZZ_CHECK(NeedsProductType(facts) == (record.platformId == kPlatformNt && !facts.extended));
    const bool workstationWord =
        record.platformId == kPlatformNt && facts.extended && record.productType == kNtWorkstation;
    if (workstationWord)
        FUZZ_CHECK(consoleWord == "Workstation 4.0 " || consoleWord == "Home Edition " ||
                   consoleWord == "Professional ");
    else
        FUZZ_CHECK(consoleWord.empty());

    switch (record.platformId) {
    case kPlatformWin32s:
        FUZZ_CHECK(text == "Microsoft Win32s ");
        break;
    case kPlatformWindows:
        FUZZ_CHECK(text == callerText || text.compare(0, 18, "Microsoft Windows ") == 0);
        if (record.majorVersion != 4)
            FUZZ_CHECK(text == callerText);
        break;
    case kPlatformNt: {
        // The service-pack text ends at its terminator or with the field.
        const std::size_t csdLength = strnlen(record.csdVersion, sizeof record.csdVersion);
        const std::string tail = " " + std::string(record.csdVersion, csdLength) + " (Build " +
                                 std::to_string(record.buildNumber & 0xFFFF) + ")\n";
        FUZZ_CHECK(EndsWith(text, tail));
        // Up to NT 4.0 the version numbers come before it; a product named later has none.
        const std::string head = text.substr(0, text.size() - tail.size());
        const std::uint32_t major = record.majorVersion, minor = record.minorVersion;
        if (major <= 4)
            FUZZ_CHECK(
                EndsWith(head, " version " + std::to_string(major) + "." + std::to_string(minor)));
        else if ((major == 5 && minor <= 2) || (major == 6 && minor == 0))
            FUZZ_CHECK(head.find(" version ") == std::string::npos);
        break;
    }
    default:
        FUZZ_CHECK(text == callerText);
        break;
    }
    return 0;
}
