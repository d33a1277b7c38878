#pragma once

#include <windows.h>
#include <aclapi.h>

// Gives a system object the low mandatory integrity label. False when the system has labels
// but refused this one; true when it was set or the system knows no labels.
bool SetLowIntegrityLabel(const char* objectName, SE_OBJECT_TYPE objectType);
