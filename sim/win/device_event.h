// What the system sends a window registered for device-interface notices when a token comes
// or goes: WM_DEVICECHANGE carrying the interface's name.
#pragma once

#include <windows.h>

#include <string>

namespace zqsim {

// The name the system gives a token's CD-ROM interface.
std::string TokenInterfaceName(const std::string& serial);

enum class EventDelivery { kHandled, kStillHandling, kNoAnswer };

// Sends the arrival or removal to target, as a device-interface notice (or a volume notice, or
// none at all with nullData), and waits up to timeoutMs for it to be handled.
EventDelivery SendDeviceEvent(HWND target, bool arrival, const std::string& name, bool volume,
                              bool nullData, UINT timeoutMs, DWORD_PTR* answer);

} // namespace zqsim
