#include "default_pin_monitor.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "pin_field.h"
#include "refused_pin_message.h"
#include "resources/resource.h"
#include "token/scan_state.h"
#include "token/token_session.h"

#include <cstring>
#include <new>

CMointDevT::CMointDevT() {
    std::memset(m_szDevName.text, 0, sizeof m_szDevName.text);
}

int CMointDevT::Run() {
    ScanState& state = TheScanState();
    state.SetRefreshBusy(true);
    CheckDefaultPin();
    state.SetPinPromptShown(false);
    state.SetRefreshBusy(false);
    return 0; // the thread ends and this object goes with it
}

void CMointDevT::CheckDefaultPin() {
    // The boxes belong to the main window when there is one.
    HWND owner = FindWindowA("#32770", LoadText(IDS_KEYSTEAD_TITLE).c_str());
    TokenSession session(m_szDevName); // its bracket is held across the prompt and its boxes
    if (session.Open() == kTokenOk && session.ReadSerial() == kTokenSwSuccess &&
        session.IsDefaultPin() != 0)
        PromptForNewPin(owner, session);
}

void CMointDevT::PromptForNewPin(HWND owner, TokenSession& session) {
    for (;;) {
        TheScanState().SetPinPromptShown(true);
        if (m_dlgDefaultPin.DoModal(nullptr) != IDOK) {
            TheScanState().SetPinPromptShown(false);
            return;
        }
        std::int32_t changed = 0;
        {
            const AcceptedPins pins(m_dlgDefaultPin);
            changed = session.ChangeUserPin(pins.oldPin, pins.newPin);
        }
        if (changed == kTokenOk) {
            // The token is asked once more, but the change is told whatever it answers: a user
            // who is not told goes on with the factory PIN.
            session.ReadSerial();
            dialogkit::ShowTextBox(owner, IDS_PIN_CHANGED, IDS_PROMPT, MB_ICONINFORMATION);
            return;
        }
        const int attemptsLeft = session.PinAttemptsLeft();
        ShowRefusedPin(owner, attemptsLeft);
        if (attemptsLeft <= 0)
            return; // locked: the prompt does not come back
    }
}

void MonitorBatch::Add(const DeviceName& deviceName) {
    if (!std::memchr(deviceName.text, '\0', CMointDevT::kMaxNameLength + 1))
        return;
    CMointDevT* monitor = new (std::nothrow) CMointDevT();
    if (!monitor || !monitor->CreateSuspended())
        return; // that token is not examined
    monitor->m_szDevName = deviceName;
    monitor->nextWaiting_ = waiting_;
    waiting_ = monitor;
}

void MonitorBatch::ReleaseAll() {
    // In the order the tokens were listed, as the scan named them.
    CMointDevT* ordered = nullptr;
    while (waiting_) {
        CMointDevT* monitor = waiting_;
        waiting_ = monitor->nextWaiting_;
        monitor->nextWaiting_ = ordered;
        ordered = monitor;
    }
    while (ordered) {
        CMointDevT* monitor = ordered;
        ordered = monitor->nextWaiting_; // read before it runs: it deletes itself when done
        monitor->Resume();
    }
}
