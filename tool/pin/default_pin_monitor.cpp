#include "default_pin_monitor.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "pin_field.h"
#include "refused_pin_message.h"
#include "resources/resource.h"
#include "token/scan_state.h"
#include "token/token_lock.h"

#include <cstring>
#include <new>

namespace {

constexpr int kSerialBytes = 32;

HMODULE ReferenceTo(HMODULE library) {
    char path[MAX_PATH + 1];
    const DWORD length = library ? GetModuleFileNameA(library, path, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    path[length] = '\0';
    return LoadLibraryA(path);
}

} // namespace

CMointDevT::CMointDevT(HMODULE library) : m_hLibraryRef(ReferenceTo(library)) {
    std::memset(m_szDevName, 0, sizeof m_szDevName);
}

CMointDevT::~CMointDevT() {
    // Keystead may have let go of the library while this monitor ran (WM_CLOSE); the monitor's
    // own reference kept it loaded until now.
    if (m_hLibraryRef)
        FreeLibrary(m_hLibraryRef);
}

int CMointDevT::Run() {
    g_refreshBusy.store(1);
    CheckDefaultPin();
    g_pinPromptShown.store(0);
    g_refreshBusy.store(0);
    return 0; // the thread ends and this object goes with it
}

void CMointDevT::CheckDefaultPin() {
    m_hToken = 0;
    char serial[kSerialBytes];
    std::memset(serial, 0, sizeof serial);
    // The boxes belong to the main window when there is one.
    HWND owner = FindWindowA("#32770", LoadText(IDS_KEYSTEAD_TITLE).c_str());
    TokenLockBracket bracket; // held across the prompt and its boxes
    if (g_tokenApi.ZQ_OpenDev(m_szDevName, static_cast<std::int32_t>(std::strlen(m_szDevName)),
                              &m_hToken) == kTokenOk &&
        g_tokenApi.ZQPro_GetSn(m_hToken, serial) == kTokenSwSuccess &&
        g_tokenApi.ZQ_IsDefaultPin(m_hToken) != 0)
        PromptForNewPin(owner);
    if (m_hToken != 0) {
        g_tokenApi.ZQ_CloseDev(m_hToken);
        m_hToken = 0;
    }
}

void CMointDevT::PromptForNewPin(HWND owner) {
    for (;;) {
        g_pinPromptShown.store(1);
        if (m_dlgDefaultPin.DoModal(nullptr) != IDOK) {
            g_pinPromptShown.store(0);
            return;
        }
        std::int32_t changed = 0;
        {
            const AcceptedPins pins(m_dlgDefaultPin);
            changed = g_tokenApi.ZQ_ToKenChangeUser(
                m_hToken, pins.oldPin, static_cast<std::int32_t>(std::strlen(pins.oldPin)),
                pins.newPin, static_cast<std::int32_t>(std::strlen(pins.newPin)));
        }
        if (changed == kTokenOk) {
            char serial[kSerialBytes];
            std::memset(serial, 0, sizeof serial);
            // Told only while the token still answers.
            if (g_tokenApi.ZQPro_GetSn(m_hToken, serial) == kTokenSwSuccess)
                dialogkit::ShowTextBox(owner, IDS_PIN_CHANGED, IDS_PROMPT, MB_ICONINFORMATION);
            return;
        }
        const int attemptsLeft = g_tokenApi.ZQpro_GetPinTime(m_hToken, 1, 0);
        ShowRefusedPin(owner, attemptsLeft);
        if (attemptsLeft <= 0)
            return; // locked: the prompt does not come back
    }
}

void MonitorBatch::Add(const char* deviceName, HMODULE library) {
    // The longest name that fits with its terminator; a cut name could reach another device.
    const void* end = std::memchr(deviceName, '\0', sizeof CMointDevT::m_szDevName);
    if (!end)
        return;
    CMointDevT* monitor = new (std::nothrow) CMointDevT(library);
    if (!monitor || !monitor->CreateSuspended())
        return; // that token is not examined
    std::memcpy(monitor->m_szDevName, deviceName, static_cast<const char*>(end) - deviceName + 1);
    try {
        waiting_.push_back(monitor);
    } catch (const std::bad_alloc&) {
        monitor->Resume(); // no room to wait: it starts now, still behind the scan's bracket
    }
}

void MonitorBatch::ReleaseAll() {
    for (CMointDevT* monitor : waiting_)
        monitor->Resume();
    waiting_.clear();
}
