// Message boxes whose texts come from the string table by number.
#pragma once

#include <windows.h>

namespace dialogkit {

int ShowTextBox(HWND owner, UINT textId, UINT captionId, UINT style);

} // namespace dialogkit
