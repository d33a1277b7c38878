#include "integrity_label.h"

#include <sddl.h>

void SetLowIntegrityLabel(const char* objectName, SE_OBJECT_TYPE objectType) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("S:(ML;;NW;;;LW)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return;
    PACL sacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted)) {
        LocalFree(descriptor);
        return;
    }
    DWORD result =
        SetNamedSecurityInfoA(const_cast<char*>(objectName), objectType, LABEL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, sacl);
    if (result != ERROR_SUCCESS) {
        LocalFree(descriptor);
        ExitProcess(1);
    }
    LocalFree(descriptor);
}
