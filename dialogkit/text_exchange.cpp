#include "text_exchange.h"

namespace dialogkit {

void ExchangeText(HWND dialog, int id, std::string& text, int maxChars, Exchange direction) {
    HWND field = GetDlgItem(dialog, id);
    if (!field)
        return;
    if (direction == Exchange::kToFields) {
        SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        SetWindowTextA(field, text.c_str());
        return;
    }
    const int length = GetWindowTextLengthA(field);
    std::string read(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = GetWindowTextA(field, &read[0], static_cast<int>(read.size()));
    read.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    if (read.size() > static_cast<std::size_t>(maxChars))
        read.resize(static_cast<std::size_t>(maxChars));
    text = read;
}

} // namespace dialogkit
