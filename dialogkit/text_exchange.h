// Data exchange of a text with a dialog's edit field: the dialog's member text goes into the
// field, and the field takes no more than its character limit from then on. Reading back is
// separate, and never used for PIN fields, whose typed bytes only their ReadPin gives out.
#pragma once

#include <windows.h>

#include <string>

namespace dialogkit {

void ExchangeText(HWND dialog, int id, const std::string& text, int maxChars);
// The field's text, of which at most maxChars characters are taken.
void ReadText(HWND dialog, int id, std::string& text, int maxChars);

} // namespace dialogkit
