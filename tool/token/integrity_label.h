#pragma once

#include <windows.h>
#include <aclapi.h>

// Gives a system object the low mandatory integrity label. When the label cannot be set the
// process ends at once with exit code 1.
void SetLowIntegrityLabel(const char* objectName, SE_OBJECT_TYPE objectType);
