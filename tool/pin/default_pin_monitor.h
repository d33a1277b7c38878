// The default-PIN monitor: after each scan, one worker per token checks whether the token
// still has its factory user PIN and, if so, makes the user replace it before anything else.
#pragma once

#include "default_pin_dialog.h"
#include "dialogkit/worker_thread.h"
#include "token/token_api.h"

#include <windows.h>

#include <vector>

class CMointDevT : public dialogkit::WorkerThread {
  public:
    // The scan's copy of the library, kept loaded while this monitor may call into it.
    explicit CMointDevT(HMODULE library);
    ~CMointDevT() override;

    TokenHandle m_hToken = 0;
    char m_szDevName[200];
    DefaultPinDialog m_dlgDefaultPin;

  protected:
    BOOL InitInstance() override { return TRUE; }
    int Run() override;

  private:
    void CheckDefaultPin();
    // The prompt until the change succeeds, the PIN is locked or the prompt is closed.
    void PromptForNewPin(HWND owner);

    HMODULE m_hLibraryRef = nullptr;
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

    // The check of one listed token; a name that does not fit m_szDevName is not examined.
    // library: the bound token library.
    void Add(const char* deviceName, HMODULE library);
    void ReleaseAll();

  private:
    std::vector<CMointDevT*> waiting_;
};
