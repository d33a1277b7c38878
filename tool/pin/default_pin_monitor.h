// The default-PIN monitor: after each scan, one worker per token checks whether the token
// still has its factory user PIN and, if so, makes the user replace it before anything else.
#pragma once

#include "default_pin_dialog.h"
#include "dialogkit/worker_thread.h"
#include "token/device_name.h"

#include <windows.h>

class TokenSession;

class CMointDevT : public dialogkit::WorkerThread {
  public:
    // The longest name a monitor examines; a longer one is not examined at all.
    static constexpr std::size_t kMaxNameLength = 199;

    CMointDevT();

    DeviceName m_szDevName;
    DefaultPinDialog m_dlgDefaultPin;
    // The next monitor of the batch it waits in: waiting takes no allocation that could fail.
    CMointDevT* nextWaiting_ = nullptr;

  protected:
    BOOL InitInstance() override { return TRUE; }
    int Run() override;

  private:
    void CheckDefaultPin();
    // The prompt until the change succeeds, the PIN is locked or the prompt is closed.
    void PromptForNewPin(HWND owner, TokenSession& session);
};

// The monitors of one scan. Each is created and named when its token has been closed; all are
// let go together once the scan is over. None could take the token before that anyway, and
// threads starting up meanwhile would compete with the scan for the loader and the processor.
// Those still waiting when the batch goes are let go then.
class MonitorBatch {
  public:
    MonitorBatch() = default;
    ~MonitorBatch() { ReleaseAll(); }
    MonitorBatch(const MonitorBatch&) = delete;
    MonitorBatch& operator=(const MonitorBatch&) = delete;

    // The check of one listed token; a name longer than kMaxNameLength is not examined.
    void Add(const DeviceName& deviceName);
    void ReleaseAll();

  private:
    CMointDevT* waiting_ = nullptr; // the last added first
};
