#include "system_facts.h"
#include "platform/format_text.h"

#include "install_check/installation_probes.h"
#include "platform/library_search.h"
#include "platform/registry_key.h"
#include "platform/system_function.h"

#include <aclapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace support_report {
namespace {

constexpr char kProvidersKey[] = "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider";

std::string ValueText(HKEY key, const char* name) {
    BYTE data[MAX_PATH + 1];
    std::memset(data, 0, sizeof data);
    DWORD size = sizeof data - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS)
        return std::string();
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data, sizeof value);
        char text[16];
        platform::FormatText(text, sizeof text, "%lu", static_cast<unsigned long>(value));
        return text;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return reinterpret_cast<const char*>(data); // the zero fill terminates it
    return std::string("(") + std::to_string(size) + " bytes)";
}

} // namespace

std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return std::string();
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed)
        return std::string();
    char text[48];
    platform::FormatText(text, sizeof text, "%lu.%lu.%lu.%lu",
                         static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                         static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                         static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                         static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)));
    return text;
}

std::string OwnPath() {
    char path[MAX_PATH + 1];
    std::memset(path, 0, sizeof path);
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

ProviderFacts ReadProviderFacts() {
    ProviderFacts facts;
    if (!FindInstalledProvider(kProvidersKey, facts.name))
        return facts;
    platform::RegistryKey key((std::string(kProvidersKey) + "\\" + facts.name).c_str(),
                              KEY_QUERY_VALUE);
    for (const char* name : {"Image Path", "Type", "SigInFile"})
        facts.values.emplace_back(name, key.open() ? ValueText(key.get(), name) : std::string());
    char expanded[MAX_PATH + 1];
    const std::string& image = facts.values[0].second;
    if (!image.empty()) {
        const DWORD length = ExpandEnvironmentStringsA(image.c_str(), expanded, MAX_PATH);
        const std::string file = length > 0 && length <= MAX_PATH ? expanded : image;
        // A bare name lives in the system folder.
        facts.imagePath = file.find_first_of("\\:") != std::string::npos
                              ? file
                              : platform::SystemFolderFile(file.c_str());
    }
    return facts;
}

bool DeviceIntegrityLabel(const std::string& device, std::string* label, DWORD* error) {
    typedef DWORD WINAPI NamedInfo(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL*,
                                   PACL*, PSECURITY_DESCRIPTOR*);
    NamedInfo* query = FindSystemFunction<NamedInfo>("advapi32.dll", "GetNamedSecurityInfoA");
    label->clear();
    *error = ERROR_CALL_NOT_IMPLEMENTED;
    if (!query)
        return false;
    PACL sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::vector<char> name(device.begin(), device.end());
    name.push_back('\0');
    *error = query(name.data(), SE_FILE_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr,
                   nullptr, &sacl, &descriptor);
    if (*error != ERROR_SUCCESS)
        return false;
    // The label's entry, read within the list's own size.
    const BYTE* at = sacl ? reinterpret_cast<const BYTE*>(sacl) + sizeof(ACL) : nullptr;
    const BYTE* end = sacl ? reinterpret_cast<const BYTE*>(sacl) + sacl->AclSize : nullptr;
    for (WORD i = 0; at && i < sacl->AceCount && at + sizeof(ACE_HEADER) <= end; ++i) {
        const auto* header = reinterpret_cast<const ACE_HEADER*>(at);
        if (header->AceSize < sizeof(ACE_HEADER) || at + header->AceSize > end)
            break;
        const std::size_t sidAt = offsetof(SYSTEM_MANDATORY_LABEL_ACE, SidStart);
        if (header->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE &&
            header->AceSize >= sidAt + sizeof(SID)) {
            const SID* sid = reinterpret_cast<const SID*>(at + sidAt);
            const DWORD level = sid->SubAuthorityCount > 0 ? sid->SubAuthority[0] : 0;
            static const struct {
                DWORD level;
                const char* name;
            } kLevels[] = {{SECURITY_MANDATORY_LOW_RID, "Low"},
                           {SECURITY_MANDATORY_MEDIUM_RID, "Medium"},
                           {SECURITY_MANDATORY_HIGH_RID, "High"},
                           {SECURITY_MANDATORY_SYSTEM_RID, "System"}};
            char text[16];
            platform::FormatText(text, sizeof text, "0x%lX", static_cast<unsigned long>(level));
            *label = text;
            for (const auto& known : kLevels)
                if (known.level == level)
                    *label = known.name;
            break;
        }
        at += header->AceSize;
    }
    LocalFree(descriptor);
    return true;
}

} // namespace support_report
