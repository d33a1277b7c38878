// Keeps one hidden window open for the whole test run, started with no output pipes. The
// prefix's desktop process (with the notification area) starts for it and stays while it
// lives; started by a test instead, it would hold that test's output open and make CTest wait.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND window = CreateWindowA("STATIC", "Keystead test desktop keeper", WS_POPUP, 0, 0, 10, 10,
                                nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
