#include "token_lock.h"

#include "token_api.h"

#include <windows.h>

namespace {

// Made before WinMain, while the process has one thread, and kept for its life: a first use
// racing between threads would need the runtime's initialisation lock, which does not work on
// the 9x family.
const HANDLE g_bracketMutex = CreateMutexA(nullptr, FALSE, nullptr);

HANDLE BracketMutex() {
    return g_bracketMutex;
}

void WaitServingSentMessages(HANDLE mutex) {
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &mutex, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0)
            return;
        if (woke == WAIT_OBJECT_0 + 1) {
            // Peeking delivers the pending sent messages; posted ones stay queued.
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        WaitForSingleObject(mutex, INFINITE);
        return;
    }
}

} // namespace

TokenLockBracket::TokenLockBracket() {
    WaitServingSentMessages(BracketMutex());
    g_tokenApi.LockUKey();
}

TokenLockBracket::~TokenLockBracket() {
    g_tokenApi.UnlockUKey();
    ReleaseMutex(BracketMutex());
}
