#include "token_lock.h"

#include "token_api.h"

#include <windows.h>

namespace {

HANDLE BracketMutex() {
    // Made on first use, thread-safely, and kept for the life of the process.
    static const HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    return mutex;
}

void WaitServingSentMessages(HANDLE mutex) {
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &mutex, INFINITE, QS_SENDMESSAGE, 0);
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
