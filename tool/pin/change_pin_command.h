// The Change PIN command on one token: ask for the PINs, have the token change its user PIN
// and tell the user how it went.
#pragma once

#include "change_pin_dialog.h"
#include "token/device_name.h"

#include <windows.h>

// owner: the window that owns the dialog and every message; device: the chosen token's name,
// copied when the user chose it, so that nothing shown meanwhile can change it.
void ChangeTokenPin(HWND owner, const DeviceName& device, ChangePinDialog& dialog);
