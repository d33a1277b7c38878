// Keystead's notification-area icon: added once at start and deleted once, whichever way
// Keystead ends (its owner deleting it, or a hard stop).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class TrayIcon {
  public:
    TrayIcon();
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Icon `id` of this program for `owner`, which gets callbackMessage for mouse events. The
    // outcome is not examined: a shell that refuses it leaves Keystead as it is.
    void Add(HWND owner, UINT id, UINT callbackMessage, const std::string& tip);
    void Remove();
    // A warning balloon from the icon (shells that show them).
    void ShowBalloon(const std::string& title, const std::string& text);
    // The icon's tip, cut to what the shell keeps.
    void SetTip(const std::string& tip);

  private:
    NOTIFYICONDATAA nid_;
    bool added_ = false;
};
