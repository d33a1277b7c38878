// Keystead's notification-area icon: added once at start and deleted once, whichever way
// Keystead ends (its owner deleting it, or a hard stop).
#pragma once

#include "icon_record.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

class TrayIcon {
  public:
    TrayIcon();
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Icon `id` of this program for `owner`, which gets callbackMessage for mouse events, in the
    // record the running shell knows. The outcome is not examined: a shell that refuses it
    // leaves Keystead as it is.
    void Add(HWND owner, UINT id, UINT callbackMessage, const std::string& tip);
    // Balloons, and a tip of this many bytes (the terminator included), on this shell.
    bool showsBalloons() const { return tray::ShowsBalloons(record_); }
    std::size_t tipBytes() const { return tray::TipBytes(record_); }
    void Remove();
    // A warning balloon from the icon; nothing on shells without balloons.
    void ShowBalloon(const std::string& title, const std::string& text);
    // The icon's tip, cut to what the shell keeps.
    void SetTip(const std::string& tip);

  private:
    NOTIFYICONDATAA nid_;
    tray::IconRecord record_ = tray::IconRecord::kFirstVersion;
    bool added_ = false;
};
