// Data exchange of a text with a dialog's edit field: the dialog's member text goes into the
// field, and the field takes no more than its character limit from then on.
#pragma once

#include <windows.h>

#include <string>

namespace dialogkit {

void ExchangeText(HWND dialog, int id, const std::string& text, int maxChars);

} // namespace dialogkit
