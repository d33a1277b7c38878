#include "os_description.h"

#include <cstddef>
#include <cstring>

namespace install_check {

namespace {

// The service-pack text ends at its terminator or at the end of the field, whichever is first.
std::string ServicePackText(const OsVersionRecord& record) {
    const void* end = std::memchr(record.csdVersion, '\0', sizeof record.csdVersion);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - record.csdVersion)
            : sizeof record.csdVersion;
    return std::string(record.csdVersion, length);
}

// The 95 and 98 sub-releases are marked by the second character of the service-pack text.
char SubReleaseMark(const OsVersionRecord& record) {
    return record.csdVersion[0] != '\0' ? record.csdVersion[1] : '\0';
}

bool EqualIgnoringCase(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

void ComposeWindows9x(const OsVersionRecord& record, std::string& text) {
    if (record.majorVersion != 4)
        return;
    switch (record.minorVersion) {
    case 0:
        text = "Microsoft Windows 95 ";
        if (SubReleaseMark(record) == 'C' || SubReleaseMark(record) == 'B')
            text += "OSR2 ";
        break;
    case 10:
        text = "Microsoft Windows 98 ";
        if (SubReleaseMark(record) == 'A')
            text += "SE ";
        break;
    case 90:
        text = "Microsoft Windows Me ";
        break;
    default:
        break;
    }
}

// After Vista each desktop Windows has a server twin of the same version; from 10 on the build
// tells them apart.
const char* NameAfterVista(const OsVersionRecord& record) {
    const std::uint32_t major = record.majorVersion, minor = record.minorVersion;
    const std::uint32_t build = record.buildNumber & 0xFFFFu;
    const bool desktop = record.productType == kNtWorkstation;
    if (major == 6 && minor == 1)
        return desktop ? "Microsoft Windows 7 " : "Microsoft Windows Server 2008 R2 ";
    if (major == 6 && minor == 2)
        return desktop ? "Microsoft Windows 8 " : "Microsoft Windows Server 2012 ";
    if (major == 6 && minor == 3)
        return desktop ? "Microsoft Windows 8.1 " : "Microsoft Windows Server 2012 R2 ";
    if (major == 10 && minor == 0) {
        if (desktop)
            return build >= 22000 ? "Microsoft Windows 11 " : "Microsoft Windows 10 ";
        return build >= 26100   ? "Microsoft Windows Server 2025 "
               : build >= 20348 ? "Microsoft Windows Server 2022 "
               : build >= 17763 ? "Microsoft Windows Server 2019 "
                                : "Microsoft Windows Server 2016 ";
    }
    return nullptr;
}

void NameNtProduct(const OsVersionRecord& record, std::string& text) {
    const std::uint32_t major = record.majorVersion, minor = record.minorVersion;
    if (const char* name = NameAfterVista(record))
        text = name;
    else if (major == 6 && minor == 0)
        text = record.productType == kNtWorkstation ? "Microsoft Windows Vista "
                                                    : "Windows Server \"Longhorn\" ";
    else if (major == 5 && minor == 0)
        text = "Microsoft Windows 2000 ";
    else if (major == 5 && minor == 1)
        text = "Microsoft Windows XP ";
    else if (major == 5 && minor == 2)
        text = "Microsoft Windows Server 2003 ";
    else if (major <= 4)
        text = "Microsoft Windows NT ";
}

void AppendNtEdition(const OsFacts& facts, std::string& text, std::string& consoleWord) {
    const OsVersionRecord& record = facts.record;
    const bool personal = (record.suiteMask & kSuitePersonal) != 0;
    if (!facts.extended) {
        // Each name on its own; at most one can match.
        if (EqualIgnoringCase(facts.productType, "WINNT"))
            text += "Professional ";
        if (EqualIgnoringCase(facts.productType, "LANMANNT"))
            text += "Server ";
        if (EqualIgnoringCase(facts.productType, "SERVERNT"))
            text += "Advanced Server ";
        return;
    }
    if (record.productType == kNtWorkstation) {
        // Standard output names a personal suite "Home Edition ", the text "Personal ".
        if (record.majorVersion == 4)
            consoleWord = "Workstation 4.0 ";
        else
            consoleWord = personal ? "Home Edition " : "Professional ";
        if (record.majorVersion == 4)
            text += "Workstation 4.0 ";
        text += personal ? "Personal " : "Professional ";
    } else if (record.productType == kNtServer) {
        if (record.suiteMask & kSuiteDataCenter)
            text += "DataCenter Server ";
        else if (record.suiteMask & kSuiteEnterprise)
            text += "Advanced Server ";
        else
            text += "Server ";
    }
}

void ComposeBuildLine(const OsVersionRecord& record, std::string& text) {
    const std::string name = text;
    const std::string build = std::to_string(record.buildNumber & 0xFFFFu);
    if (record.majorVersion > 4)
        text = name + " " + ServicePackText(record) + " (Build " + build + ")\n";
    else
        text = name + " version " + std::to_string(record.majorVersion) + "." +
               std::to_string(record.minorVersion) + " " + ServicePackText(record) + " (Build " +
               build + ")\n";
}

} // namespace

bool NeedsRelease(const OsFacts& facts) {
    return facts.record.platformId == kPlatformNt && facts.record.majorVersion >= 10;
}

std::string CleanRelease(const std::string& value) {
    if (value.empty() || value.size() > 15)
        return std::string();
    for (char c : value)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return std::string();
    return value;
}

bool NeedsProductType(const OsFacts& facts) {
    return facts.record.platformId == kPlatformNt && !facts.extended;
}

void ComposeOsDescription(const OsFacts& facts, std::string& text, std::string& consoleWord) {
    switch (facts.record.platformId) {
    case kPlatformWin32s:
        text = "Microsoft Win32s ";
        break;
    case kPlatformWindows:
        ComposeWindows9x(facts.record, text);
        break;
    case kPlatformNt:
        NameNtProduct(facts.record, text);
        AppendNtEdition(facts, text, consoleWord);
        if (NeedsRelease(facts) && !CleanRelease(facts.release).empty())
            text += CleanRelease(facts.release) + " ";
        ComposeBuildLine(facts.record, text);
        break;
    default:
        break;
    }
}

} // namespace install_check
