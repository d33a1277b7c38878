#include "integrity_label.h"

#include "platform/system_function.h"

#include <sddl.h>

namespace {

// Mandatory labels exist from Windows Vista on; these functions come with Windows 2000.
using StringToDescriptor = BOOL WINAPI(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
using DescriptorSacl = BOOL WINAPI(PSECURITY_DESCRIPTOR, LPBOOL, PACL*, LPBOOL);
using SetNamedSecurity = DWORD WINAPI(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL,
                                      PACL);

} // namespace

bool SetLowIntegrityLabel(const char* objectName, SE_OBJECT_TYPE objectType) {
    auto* toDescriptor = FindSystemFunction<StringToDescriptor>(
        "advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    auto* saclOf = FindSystemFunction<DescriptorSacl>("advapi32.dll", "GetSecurityDescriptorSacl");
    auto* setSecurity =
        FindSystemFunction<SetNamedSecurity>("advapi32.dll", "SetNamedSecurityInfoA");
    // A system without these has no integrity levels: there is no label to set.
    if (!toDescriptor || !saclOf || !setSecurity)
        return true;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!toDescriptor("S:(ML;;NW;;;LW)", SDDL_REVISION_1, &descriptor, nullptr))
        return true;
    PACL sacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!saclOf(descriptor, &present, &sacl, &defaulted)) {
        LocalFree(descriptor);
        return true;
    }
    DWORD result = setSecurity(const_cast<char*>(objectName), objectType,
                               LABEL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, sacl);
    LocalFree(descriptor);
    return result == ERROR_SUCCESS;
}
