#include "device_notification.h"

#include "platform/system_function.h"

#include <dbt.h>
// The CD-ROM interface class, defined here from the system's own header.
#include <initguid.h>
#include <winioctl.h>

#include <cstring>

namespace {

// Windows 98 and 2000 brought device notifications; 95 and NT 4.0 lack both functions.
using RegisterNotification = HDEVNOTIFY WINAPI(HANDLE, LPVOID, DWORD);
using UnregisterNotification = BOOL WINAPI(HDEVNOTIFY);

} // namespace

void DeviceNotification::Register(HWND recipient) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    static_assert(sizeof(void*) != 4 || sizeof filter == 32, "the filter the system expects");
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = 32;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_CDROM;
    auto* registerNotification =
        FindSystemFunction<RegisterNotification>("user32.dll", "RegisterDeviceNotificationA");
    if (registerNotification && !handle_)
        handle_ = registerNotification(recipient, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void DeviceNotification::Unregister() {
    if (!handle_)
        return;
    auto* unregisterNotification =
        FindSystemFunction<UnregisterNotification>("user32.dll", "UnregisterDeviceNotification");
    if (unregisterNotification)
        unregisterNotification(handle_);
    handle_ = nullptr;
}
