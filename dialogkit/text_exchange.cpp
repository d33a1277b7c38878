#include "text_exchange.h"

#include <vector>

namespace dialogkit {

void ExchangeText(HWND dialog, int id, const std::string& text, int maxChars) {
    HWND field = GetDlgItem(dialog, id);
    if (!field)
        return;
    SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    SetWindowTextA(field, text.c_str());
}

void ReadText(HWND dialog, int id, std::string& text, int maxChars) {
    text.clear();
    HWND field = GetDlgItem(dialog, id);
    if (!field || maxChars <= 0)
        return;
    // A program may have put more into the field than the limit lets a person type.
    std::vector<char> buffer(static_cast<std::size_t>(maxChars) + 1, '\0');
    const int length = GetWindowTextA(field, buffer.data(), maxChars + 1);
    if (length > 0)
        text.assign(buffer.data(), static_cast<std::size_t>(length));
}

} // namespace dialogkit
