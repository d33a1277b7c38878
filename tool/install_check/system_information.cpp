// The installation check behind the System Information button: the operating system, the
// browser version, the installed provider and the device driver files, in one report.
#include "installation_probes.h"
#include "platform/registry_key.h"
#include "report_parts.h"

#include "dialogkit/string_table.h"
#include "platform/stdio_file.h"
#include "resources/resource.h"

#include <windows.h>

#include <cstring>

int ReadRegistryString(const char* subKey, const char* valueName, std::string& value) {
    platform::RegistryKey key(subKey, KEY_QUERY_VALUE);
    if (!key.open())
        return 0;
    char buffer[80];
    std::memset(buffer, 0, sizeof buffer);
    DWORD size = sizeof buffer;
    const LONG status = RegQueryValueExA(key.get(), valueName, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    // A value too long for the buffer may still have left a part of itself there.
    value = status == ERROR_SUCCESS ? install_check::TextInBuffer(buffer, sizeof buffer)
                                    : std::string();
    return 1;
}

int FindInstalledProvider(const char* providersKey, std::string& name) {
    platform::RegistryKey key(providersKey, KEY_READ);
    if (!key.open())
        return 0;
    DWORD subKeys = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subKeys == 0)
        return 0;
    char subKey[255];
    for (DWORD index = 0; index < subKeys; ++index) {
        DWORD length = sizeof subKey;
        if (RegEnumKeyExA(key.get(), index, subKey, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        if (install_check::IsVelqProviderName(subKey)) {
            name = subKey;
            return 1;
        }
    }
    return 0;
}

int SystemFileExists(const char* fileName) {
    char directory[512];
    std::memset(directory, 0, sizeof directory);
    const UINT length = GetSystemDirectoryA(directory, sizeof directory);
    // Not obtained: the file is looked for in the root of the current drive.
    if (length == 0 || length >= sizeof directory)
        directory[0] = '\0';
    char path[512];
    if (!install_check::SystemFilePath(directory, fileName, path, sizeof path))
        return 0;
    platform::StdioFile file(std::fopen(path, "rb"));
    return file ? 1 : 0;
}

std::string ComposeInstallationReport(bool writeConsoleWord) {
    std::string report = LoadText(IDS_REPORT_OS);

    std::string os;
    GetOsDescription(os, writeConsoleWord); // a failed query leaves the line empty
    report += os;

    report += LoadText(IDS_REPORT_BROWSER);
    std::string browser;
    ReadRegistryString("SOFTWARE\\Microsoft\\Internet Explorer", "Version", browser);
    report += browser;

    report += LoadText(IDS_REPORT_PROVIDER);
    std::string provider;
    FindInstalledProvider("SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider", provider);
    if (provider.empty())
        provider = LoadText(IDS_NO_PROVIDER);
    report += provider;

    const int csp = SystemFileExists("VELQ_CSP.dll");
    const int driver = SystemFileExists("zqcsp.dll");
    report += LoadText(csp == 1 && driver == 1 ? IDS_DRIVER_INSTALLED : IDS_DRIVER_MISSING);
    return report;
}
