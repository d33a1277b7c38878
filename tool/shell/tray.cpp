// The notification-area icon, showing and hiding the main window, and the ways Keystead ends.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "resources/resource.h"

namespace {

constexpr UINT kIconCallback = WM_USER + 1; // 1025
constexpr UINT kShowRequest = WM_USER + 2;  // 1026
constexpr UINT kEndRequest = WM_USER + 3;   // 1027

} // namespace

bool MainDialog::WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (message == WM_SYSCOMMAND && wp == SC_CLOSE) {
        // Close box, the system menu's Close and Alt+F4 only hide Keystead.
        ShowWindow(hwnd(), SW_HIDE);
        m_bVisible = 0;
        *result = 0;
        return true;
    }
    if (message == kIconCallback) {
        if (lp == WM_LBUTTONDBLCLK)
            ShowMainWindow();
        else if (lp == WM_RBUTTONDOWN)
            ShowTrayMenu();
    } else if (message == kShowRequest) {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        m_bVisible = 1;
    } else if (message == kEndRequest) {
        EndKeystead();
    }
    return ModalDialog::WindowProc(message, wp, lp, result);
}

void MainDialog::ShowMainWindow() {
    if (!IsWindowVisible(hwnd()))
        OnRefresh();
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    m_bVisible = 1;
}

void MainDialog::ShowTrayMenu() {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (!menu)
        return;
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(hwnd());
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(),
                   nullptr);
    DestroyMenu(menu);
}

void MainDialog::EndKeystead() {
    Shell_NotifyIconA(NIM_DELETE, &m_nid);
    ModalDialog::OnCancel();
}

void MainDialog::OnTrayShow() {
    ShowMainWindow();
}

void MainDialog::OnTrayRefresh() {
    OnRefresh();
}

void MainDialog::OnTrayQuit() {
    if (dialogkit::ShowTextBox(hwnd(), IDS_QUIT_QUESTION, IDS_PROMPT,
                               MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        EndKeystead();
}

void MainDialog::OnCancel() {
    // The dialog's "Quit" button and Escape hide Keystead; it goes on in the notification area.
    ShowWindow(hwnd(), SW_HIDE);
    m_bVisible = 0;
}

LRESULT MainDialog::OnPaint(WPARAM, LPARAM) {
    if (m_bVisible == 0) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd(), &ps);
        EndPaint(hwnd(), &ps);
        ShowWindow(hwnd(), SW_HIDE);
        return 0;
    }
    if (!IsIconic(hwnd()))
        return -1; // the default painting
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(hwnd(), &ps);
    return 0;
}

LRESULT MainDialog::OnClose(WPARAM, LPARAM) {
    Shell_NotifyIconA(NIM_DELETE, &m_nid);
    UnbindTokenApi(m_hTokenLib);
    m_hTokenLib = nullptr;
    // Hidden, without its icon and its library, Keystead could only fail; it ends as Quit does.
    ModalDialog::OnCancel();
    return 0;
}
