#include "tray_icon.h"

#include "platform/shell_version.h"

#include <cstddef>
#include <cstring>

TrayIcon::TrayIcon() {
    std::memset(&nid_, 0, sizeof nid_);
}

void TrayIcon::Add(HWND owner, UINT id, UINT callbackMessage, const std::string& tip) {
    const platform::ShellVersion shell = platform::RunningShellVersion();
    record_ = tray::IconRecordFor(shell.major, shell.minor);
    // The second version without the trailing GUID: 488 bytes in the 32-bit program; the first
    // ends after its 64-byte tip: 88 bytes.
    static_assert(sizeof(void*) != 4 || offsetof(NOTIFYICONDATAA, guidItem) == 488);
    static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88);
    nid_.cbSize = record_ == tray::IconRecord::kSecondVersion ? offsetof(NOTIFYICONDATAA, guidItem)
                                                              : NOTIFYICONDATAA_V1_SIZE;
    nid_.hWnd = owner;
    nid_.uID = id;
    nid_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid_.uCallbackMessage = callbackMessage;
    // At the system's small-icon size, which a scaled notification area makes larger.
    nid_.hIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    std::strncpy(nid_.szTip, tip.c_str(), tipBytes() - 1);
    Shell_NotifyIconA(NIM_ADD, &nid_);
    DestroyIcon(nid_.hIcon); // the shell keeps its own copy
    nid_.hIcon = nullptr;
    added_ = true;
}

void TrayIcon::ShowBalloon(const std::string& title, const std::string& text) {
    if (!added_ || !showsBalloons())
        return;
    NOTIFYICONDATAA balloon = nid_;
    balloon.uFlags = NIF_INFO;
    std::strncpy(balloon.szInfoTitle, title.c_str(), sizeof balloon.szInfoTitle - 1);
    std::strncpy(balloon.szInfo, text.c_str(), sizeof balloon.szInfo - 1);
    balloon.uTimeout = 15000;
    balloon.dwInfoFlags = NIIF_WARNING;
    Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

void TrayIcon::SetTip(const std::string& tip) {
    if (!added_)
        return;
    std::memset(nid_.szTip, 0, sizeof nid_.szTip);
    std::strncpy(nid_.szTip, tip.c_str(), tipBytes() - 1);
    NOTIFYICONDATAA modify = nid_;
    modify.uFlags = NIF_TIP;
    Shell_NotifyIconA(NIM_MODIFY, &modify);
}

void TrayIcon::Remove() {
    if (!added_)
        return;
    Shell_NotifyIconA(NIM_DELETE, &nid_);
    added_ = false;
}
