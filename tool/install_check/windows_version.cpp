// Fills the version record for the operating-system line from the running system.
#include "installation_probes.h"
#include "os_description.h"
#include "platform/registry_key.h"
#include "report_parts.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

static_assert(sizeof(OSVERSIONINFOEXA) == 156, "the extended record's size");
static_assert(sizeof(OSVERSIONINFOA) == 148, "the basic record's size");

// Without the extended record, the product options tell workstation from server. Empty when
// they cannot be read.
std::string ReadProductType() {
    platform::RegistryKey key("SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                              KEY_QUERY_VALUE);
    if (!key.open())
        return std::string();
    char buffer[80];
    std::memset(buffer, 0, sizeof buffer);
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key.get(), "ProductType", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return std::string();
    return install_check::TextInBuffer(buffer, sizeof buffer);
}

// Windows 10 and later name their release: "DisplayVersion" ("22H2") from 20H2 on,
// "ReleaseId" ("1909") before. The 64-bit view: a 32-bit program's own may lack them.
std::string ReadRelease() {
    platform::RegistryKey key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                              KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    if (!key.open())
        return std::string();
    for (const char* name : {"DisplayVersion", "ReleaseId"}) {
        char buffer[32];
        std::memset(buffer, 0, sizeof buffer);
        DWORD size = sizeof buffer - 1, type = 0;
        if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            const std::string release =
                install_check::CleanRelease(install_check::TextInBuffer(buffer, sizeof buffer));
            if (!release.empty())
                return release;
        }
    }
    return std::string();
}

} // namespace

int GetOsDescription(std::string& text, bool writeConsoleWord) {
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    const bool extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
    if (!extended) {
        // Systems before NT 4.0 SP6 and Windows 2000 know only the basic record.
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
            return 0;
    }

    install_check::OsFacts facts;
    facts.extended = extended;
    facts.record.majorVersion = info.dwMajorVersion;
    facts.record.minorVersion = info.dwMinorVersion;
    facts.record.buildNumber = info.dwBuildNumber;
    facts.record.platformId = info.dwPlatformId;
    std::memcpy(facts.record.csdVersion, info.szCSDVersion, sizeof facts.record.csdVersion);
    facts.record.suiteMask = info.wSuiteMask;
    facts.record.productType = info.wProductType;
    if (install_check::NeedsProductType(facts))
        facts.productType = ReadProductType();
    if (install_check::NeedsRelease(facts))
        facts.release = ReadRelease();

    std::string consoleWord;
    install_check::ComposeOsDescription(facts, text, consoleWord);
    // The word is written as it stands (it holds no conversion), by the system's own runtime.
    if (writeConsoleWord && !consoleWord.empty())
        std::fputs(consoleWord.c_str(), stdout);
    return 1;
}
