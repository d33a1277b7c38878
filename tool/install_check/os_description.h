// The one-line name of the running Windows version, composed from the platform's version
// record. Platform-free: the Windows side only fills the record (windows_version.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace install_check {

enum : std::uint32_t { kPlatformWin32s = 0, kPlatformWindows = 1, kPlatformNt = 2 };
enum : std::uint16_t {
    kSuiteEnterprise = 0x0002,
    kSuiteDataCenter = 0x0080,
    kSuitePersonal = 0x0200,
};
enum : std::uint8_t { kNtWorkstation = 1, kNtServer = 3 };

// The fields of the extended version record that the composition reads.
struct OsVersionRecord {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    char csdVersion[128] = {}; // service-pack text; not trusted to hold its terminator
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

struct OsFacts {
    OsVersionRecord record;
    // The query with the extended record was accepted; without it the suite mask and the
    // product type are unknown and the product options in the registry stand in.
    bool extended = false;
    // The "ProductType" value of the product options, empty when it could not be read. Only
    // looked at when NeedsProductType says so.
    std::string productType;
    // Windows 10 and later: the release the system names ("22H2", "1909"), empty when it names
    // none. Only looked at when NeedsRelease says so.
    std::string release;
};

// True when the composition names the release: Windows 10 and later.
bool NeedsRelease(const OsFacts& facts);

// A release name as the line may show it: letters and digits only, at most 15; anything else
// the registry holds gives none.
std::string CleanRelease(const std::string& value);

// True when the composition needs the "ProductType" value: the NT family with the basic record.
bool NeedsProductType(const OsFacts& facts);

// Composes the line into `text`, which holds the caller's text on entry and keeps it where no
// product is named. `consoleWord` receives the edition word that goes to standard output, or
// stays empty when none does.
void ComposeOsDescription(const OsFacts& facts, std::string& text, std::string& consoleWord);

} // namespace install_check
