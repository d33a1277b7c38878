#include "string_table.h"

std::string LoadText(HINSTANCE module, UINT id) {
    // With no buffer LoadStringW hands out the table entry itself, so no length limit applies.
    const wchar_t* entry = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&entry), 0);
    if (length <= 0 || !entry)
        return std::string();
    int bytes = WideCharToMultiByte(CP_ACP, 0, entry, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, entry, length, &text[0], bytes, nullptr, nullptr);
    return text;
}
