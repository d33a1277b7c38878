#include "text_exchange.h"

namespace dialogkit {

void ExchangeText(HWND dialog, int id, const std::string& text, int maxChars) {
    HWND field = GetDlgItem(dialog, id);
    if (!field)
        return;
    SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    SetWindowTextA(field, text.c_str());
}

} // namespace dialogkit
