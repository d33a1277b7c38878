// Message boxes, most with texts from the string table by number.
#pragma once

#include <windows.h>

namespace dialogkit {

// Once the application is ending (EndOpenDialogs) no box shows; the answer is then IDCANCEL.
int ShowTextBox(HWND owner, UINT textId, UINT captionId, UINT style);
int ShowBox(HWND owner, const char* text, const char* caption, UINT style);

} // namespace dialogkit
