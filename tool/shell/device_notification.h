// Keystead's registration for the arrival and removal of CD-ROM-class device interfaces, the
// class the token presents itself in. Systems without device notifications (95, NT 4.0) and the
// 9x family get none; Refresh and the icon's menu still rescan there.
#pragma once

#include <windows.h>

class DeviceNotification {
  public:
    DeviceNotification() = default;
    ~DeviceNotification() { Unregister(); }
    DeviceNotification(const DeviceNotification&) = delete;
    DeviceNotification& operator=(const DeviceNotification&) = delete;

    // A failure is not noticed: no token event arrives then.
    void Register(HWND recipient);
    // No device event reaches Keystead any more once it ends.
    void Unregister();
    bool registered() const { return handle_ != nullptr; }

  private:
    HDEVNOTIFY handle_ = nullptr;
};
