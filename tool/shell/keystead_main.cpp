// Keystead's entry. The main window arrives with the shell; for now the program binds the
// token library, reports a failed binding as the finished program will, and ends.
#include "resources/resource_text.h"
#include "token/token_api.h"

#include <windows.h>

#include <mbctype.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Names and PINs are byte strings in the ANSI code page; the runtime must agree.
    _setmbcp(_MB_CP_ANSI);
    HMODULE library = nullptr;
    if (!BindTokenApi(&library)) {
        MessageBoxA(nullptr, LoadText(7).c_str(), LoadText(4).c_str(), MB_OK | MB_ICONSTOP);
        return 0;
    }
    UnbindTokenApi(library);
    return 0;
}
