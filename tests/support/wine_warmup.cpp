// Creates and destroys one window, so that the prefix's desktop process (with the notification
// area) starts here, away from the output pipes of the tests that come after.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND window = CreateWindowA("STATIC", "warm-up", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                instance, nullptr);
    if (window)
        DestroyWindow(window);
    return window ? 0 : 1;
}
