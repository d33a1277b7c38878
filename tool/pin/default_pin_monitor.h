// The default-PIN monitor: after each scan, one worker per token checks whether the token
// still has its factory user PIN and, if so, makes the user replace it before anything else.
#pragma once

#include "default_pin_dialog.h"
#include "dialogkit/worker_thread.h"
#include "token/token_api.h"

#include <windows.h>

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

// Starts the check of one listed token on a worker of its own and returns at once. A name that
// does not fit m_szDevName is not examined. library: the bound token library.
void StartDefaultPinMonitor(const char* deviceName, HMODULE library);
