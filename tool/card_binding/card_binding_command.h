// The card binding command on one token: the user PIN, verified on the token, then the card
// serial, handed to the token as its dynamic authentication code table.
#pragma once

#include "pin/pin_entry_dialog.h"
#include "token/device_name.h"

#include <windows.h>

// owner: the window that owns every message; bindButton: disabled once a card is bound;
// device: the chosen token's name, copied when the user chose it.
void BindDynamicCard(HWND owner, HWND bindButton, const DeviceName& device,
                     UserPinDialog& pinDialog);
