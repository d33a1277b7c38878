// Tokens plugged in and pulled out: the tree follows, and a pull warns the user.
#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "platform/windows_family.h"
#include "token_events.h"

#include <dbt.h>

#include <cstddef>
#include <cstring>

namespace {

// No interface name is longer; a header claiming more is not believed.
constexpr DWORD kMaxBroadcastSize = 4096;

shell::Win9xEventCounter g_win9xEvents;

// The interface name of a device-interface broadcast, or null when the broadcast is of another
// kind or its header is not plausible.
const char* InterfaceName(LPARAM data, std::size_t* length) {
    const DEV_BROADCAST_HDR* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size <= nameOffset || header->dbch_size > kMaxBroadcastSize)
        return nullptr;
    *length = header->dbch_size - nameOffset;
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(data)->dbcc_name;
}

} // namespace

bool MainDialog::IsWindows9x() {
    return platform::IsWindows9xFamily();
}

void MainDialog::RegisterForTokenEvents() {
    if (!IsWindows9x())
        m_devNotify.Register(hwnd());
}

int MainDialog::IsTokenDeviceEvent(const char* name, std::size_t length, int removal) {
    if (IsWindows9x()) {
        if (!g_win9xEvents.Advance())
            return 0;
        Sleep(removal ? 2500 : 1000);
        return 1;
    }
    return shell::NameMarksToken(name, length) ? 1 : 0;
}

LRESULT MainDialog::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return TRUE;
    const int removal = event == DBT_DEVICEREMOVECOMPLETE ? 1 : 0;
    std::size_t length = 0;
    const char* name = IsWindows9x() ? nullptr : InterfaceName(data, &length);
    if (!IsWindows9x() && !name)
        return TRUE; // a volume, a port, or nothing at all
    if (IsTokenDeviceEvent(name, length, removal) != 1)
        return TRUE;
    OnRefresh();
    if (removal)
        ShowRemovalNotice();
    return TRUE;
}

void MainDialog::ShowRemovalNotice() {
    // The default-PIN prompt of a pulled token has nothing left to change.
    HWND prompt = FindWindowA("#32770", LoadText(IDS_DEFAULT_PIN_TITLE).c_str());
    if (prompt)
        SendMessageA(prompt, WM_CLOSE, 0, 0);
    dialogkit::ShowBox(nullptr, LoadText(IDS_PULLED_OUT).c_str(),
                       LoadText(IDS_PULLED_OUT_CAPTION).c_str(),
                       MB_SYSTEMMODAL | MB_ICONINFORMATION);
}
