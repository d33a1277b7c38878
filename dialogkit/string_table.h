// Texts of the string table, by number, as 8-bit text in the ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// Room for one text of the string table in the ANSI code page, terminator included.
constexpr int kMaxTextBytes = 1024;

// Empty when the table has no entry with that number.
std::string LoadText(HINSTANCE module, UINT id);
inline std::string LoadText(UINT id) {
    return LoadText(GetModuleHandleA(nullptr), id);
}
