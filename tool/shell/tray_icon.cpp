#include "tray_icon.h"

#include <cstddef>
#include <cstring>

TrayIcon::TrayIcon() {
    std::memset(&nid_, 0, sizeof nid_);
}

void TrayIcon::Add(HWND owner, UINT id, UINT callbackMessage, const std::string& tip) {
    // The layout without the trailing GUID: 488 bytes in the 32-bit program.
    nid_.cbSize = offsetof(NOTIFYICONDATAA, guidItem);
    static_assert(sizeof(void*) != 4 || offsetof(NOTIFYICONDATAA, guidItem) == 488);
    nid_.hWnd = owner;
    nid_.uID = id;
    nid_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid_.uCallbackMessage = callbackMessage;
    nid_.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    std::strncpy(nid_.szTip, tip.c_str(), sizeof nid_.szTip - 1);
    Shell_NotifyIconA(NIM_ADD, &nid_);
    DestroyIcon(nid_.hIcon); // the shell keeps its own copy
    nid_.hIcon = nullptr;
    added_ = true;
}

void TrayIcon::Remove() {
    if (!added_)
        return;
    Shell_NotifyIconA(NIM_DELETE, &nid_);
    added_ = false;
}
