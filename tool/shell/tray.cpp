// The notification-area icon, showing and hiding the main window, and the ways Keystead ends.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "resources/resource.h"

bool MainDialog::OnSysCommand(WPARAM wp, LPARAM, LRESULT*) {
    if (wp != SC_CLOSE)
        return false;
    // Close box, the system menu's Close and Alt+F4 only hide Keystead.
    ShowWindow(hwnd(), SW_HIDE);
    m_bVisible = 0;
    return true;
}

LRESULT MainDialog::OnIconCallback(WPARAM, LPARAM lp) {
    if (lp == WM_LBUTTONDBLCLK)
        ShowMainWindow();
    else if (lp == WM_RBUTTONDOWN)
        ShowTrayMenu();
    return 0;
}

LRESULT MainDialog::OnShowRequest(WPARAM, LPARAM) {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    m_bVisible = 1;
    return 0;
}

LRESULT MainDialog::OnEndRequest(WPARAM, LPARAM) {
    EndKeystead();
    return 0;
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

void MainDialog::EndOnHardStop(UINT exitCode) {
    // No dead icon may stay in the notification area until the pointer passes over it.
    m_nid.Remove();
    ExitProcess(exitCode);
}

void MainDialog::EndForUnusableLibrary() {
    // Before any scan: the icon goes first, then the user is told, then Keystead ends.
    m_nid.Remove();
    dialogkit::ShowTextBox(hwnd(), IDS_LIBRARY_FAILED, IDS_PROMPT, MB_OK | MB_ICONSTOP);
    ExitProcess(0);
}

void MainDialog::EndKeystead() {
    if (m_ending)
        return;
    m_ending = true;
    // Whatever waits in a dialog, a box or for the bracket goes on as if the user had
    // cancelled, and closes what it opened; the library stays until the last of them is done.
    dialogkit::EndOpenDialogs();
    m_tokenLib.LetGo();
    m_devNotify.Unregister();
    m_nid.Remove();
    ModalDialog::OnCancel();
}

void MainDialog::OnTrayShow() {
    ShowMainWindow();
}

void MainDialog::OnTrayRefresh() {
    OnRefresh();
}

void MainDialog::OnTrayQuit() {
    const CommandPass command(*this);
    if (command.entered() && dialogkit::ShowTextBox(hwnd(), IDS_QUIT_QUESTION, IDS_PROMPT,
                                                    MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        EndKeystead();
}

void MainDialog::OnCancel() {
    // The dialog's "Quit" button and Escape hide Keystead; it goes on in the notification area.
    ShowWindow(hwnd(), SW_HIDE);
    m_bVisible = 0;
}

bool MainDialog::OnPaint(WPARAM, LPARAM, LRESULT*) {
    // While Keystead means to be hidden, whatever paints it hides it again.
    if (m_bVisible == 0) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd(), &ps);
        EndPaint(hwnd(), &ps);
        ShowWindow(hwnd(), SW_HIDE);
        return true;
    }
    if (!IsIconic(hwnd()))
        return false; // the default painting
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(hwnd(), &ps);
    return true;
}

LRESULT MainDialog::OnClose(WPARAM, LPARAM) {
    // Hidden, without its icon and its library, Keystead could only fail; it ends as Quit does.
    EndKeystead();
    return 0;
}
