#include "string_table.h"

std::string LoadText(HINSTANCE module, UINT id) {
    // LoadStringA is the string-table reader that works on the 9x family too, where LoadStringW
    // is a stub; it converts to the ANSI code page itself. The longest text of both sets takes
    // well under half of this buffer (a resources test keeps it so).
    char text[kMaxTextBytes];
    int length = LoadStringA(module, id, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}
