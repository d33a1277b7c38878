// Data exchange of a text with a dialog's edit field, with the field's character limit: the
// dialog's member text goes into the field (or comes back from it) and the field takes no more
// than the limit.
#pragma once

#include <windows.h>

#include <string>

namespace dialogkit {

enum class Exchange { kToFields, kFromFields };

void ExchangeText(HWND dialog, int id, std::string& text, int maxChars, Exchange direction);

} // namespace dialogkit
