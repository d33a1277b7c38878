// The floor of Keystead's start: a dialog program of the same build that does nothing but show
// a hidden dialog and wait for input, as Keystead does once its first scan is done.
#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK Dialog(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        EndDialog(hwnd, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title[12];
    } dialog = {};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    dialog.header.cx = 200;
    dialog.header.cy = 100;
    const wchar_t title[] = L"Bare dialog";
    for (int i = 0; i < 12; ++i)
        dialog.title[i] = static_cast<WORD>(title[i]);
    return static_cast<int>(DialogBoxIndirectParamW(instance, &dialog.header, nullptr, Dialog, 0));
}
