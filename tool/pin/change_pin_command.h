// The Change PIN command on one token: ask for the PINs, have the token change its user PIN
// and tell the user how it went.
#pragma once

#include "change_pin_dialog.h"

#include <windows.h>

// owner: the window that owns the dialog and every message; deviceName: the token's name.
void ChangeTokenPin(HWND owner, const char* deviceName, ChangePinDialog& dialog);
