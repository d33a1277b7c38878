#include "device_event.h"

#include <dbt.h>
// The CD-ROM interface class, defined here from the system's own header.
#include <initguid.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>

namespace zqsim {

std::string TokenInterfaceName(const std::string& serial) {
    return "\\\\?\\USBSTOR#CdRom&Ven_VELQ&Prod_USB_KEY&Rev_1.00#" + serial +
           "&0#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
}

EventDelivery SendDeviceEvent(HWND target, bool arrival, const std::string& name, bool volume,
                              bool nullData, UINT timeoutMs, DWORD_PTR* answer) {
    union {
        DEV_BROADCAST_DEVICEINTERFACE_A device;
        DEV_BROADCAST_VOLUME volumeInfo;
        char bytes[1024];
    } message;
    std::memset(&message, 0, sizeof message);
    if (volume) {
        message.volumeInfo.dbcv_size = sizeof(DEV_BROADCAST_VOLUME);
        message.volumeInfo.dbcv_devicetype = DBT_DEVTYP_VOLUME;
        message.volumeInfo.dbcv_unitmask = 1u << ('E' - 'A');
    } else {
        const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
        const std::size_t room = sizeof message - nameOffset - 1;
        const std::size_t length = name.size() < room ? name.size() : room;
        message.device.dbcc_size = static_cast<DWORD>(nameOffset + length + 1);
        message.device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        message.device.dbcc_classguid = GUID_DEVINTERFACE_CDROM;
        std::memcpy(message.device.dbcc_name, name.data(), length);
    }
    // A sent message that times out before the window's thread takes it is withdrawn, so a
    // window still busy (closing a message box, say) would never see the event. Wait until it
    // is back at its message loop; then the event's own timeout only bounds its handling.
    if (!SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, 20000, answer))
        return EventDelivery::kNoAnswer;
    const WPARAM event = arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    const LPARAM data = nullData ? 0 : reinterpret_cast<LPARAM>(&message);
    return SendMessageTimeoutA(target, WM_DEVICECHANGE, event, data, SMTO_NORMAL, timeoutMs,
                               answer)
               ? EventDelivery::kHandled
               : EventDelivery::kStillHandling; // the removal warning waits for its answer
}

} // namespace zqsim
