#include "token_lock.h"

#include "library_lease.h"
#include "vendor_entries.h"
#include "vendor_failures.h"

#include <windows.h>

namespace {

// Made before WinMain, while the process has one thread, and kept for its life: a first use
// racing between threads would need the runtime's initialisation lock, which does not work on
// the 9x family.
const HANDLE g_bracketMutex = CreateMutexA(nullptr, FALSE, nullptr);

HANDLE BracketMutex() {
    return g_bracketMutex;
}

// How often a waiter that may give up looks at its flag.
constexpr DWORD kGiveUpPollMs = 50;

// True once the mutex is ours; false when giveUp turned non-zero or the library was let go of
// first.
bool WaitServingSentMessages(HANDLE mutex, const std::atomic<std::int32_t>* giveUp) {
    // The mutex comes first: a thread that holds it gets it again at once, whatever else is set.
    const HANDLE handles[2] = {mutex, LibraryLetGoEvent()};
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(2, handles, FALSE, giveUp ? kGiveUpPollMs : INFINITE,
                                               QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0)
            return true;
        if (woke == WAIT_OBJECT_0 + 1)
            return false;
        if (woke == WAIT_OBJECT_0 + 2) {
            // Peeking delivers the pending sent messages; posted ones stay queued.
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (woke == WAIT_TIMEOUT) {
            if (giveUp->load() != 0)
                return false;
            continue;
        }
        return false; // the wait itself failed: no bracket rather than a call without one
    }
}

} // namespace

TokenLockBracket::TokenLockBracket() : held_(WaitServingSentMessages(BracketMutex(), nullptr)) {
    if (held_)
        vendor_failures::Checked("LockUKey", g_tokenApi.LockUKey());
}

TokenLockBracket::TokenLockBracket(const std::atomic<std::int32_t>& giveUp)
    : held_(WaitServingSentMessages(BracketMutex(), &giveUp)) {
    if (held_)
        vendor_failures::Checked("LockUKey", g_tokenApi.LockUKey());
}

TokenLockBracket::~TokenLockBracket() {
    if (!held_)
        return;
    vendor_failures::Checked("UnlockUKey", g_tokenApi.UnlockUKey());
    ReleaseMutex(BracketMutex());
}
