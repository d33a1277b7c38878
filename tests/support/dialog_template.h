// Reads a dialog template resource (plain or extended) into plain fields, so tests can check
// what the built program really carries.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace keystead_test {

struct DialogItem {
    DWORD id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring className; // "Button", "Edit", "Static" ... for the predefined atoms
    std::wstring text;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<DialogItem> items;

    const DialogItem* Find(DWORD id) const;
};

// False when the resource is missing or malformed.
bool LoadDialogTemplate(HMODULE module, WORD id, DialogTemplate* out);

std::string Utf8(const std::wstring& text);

} // namespace keystead_test
