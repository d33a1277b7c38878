// What keeps scans and default-PIN prompts apart: ScanMutex and the flags RefreshBusy and
// PinPromptShown, owned by one object that lives as long as the program. The flags are single
// words shared by the user-interface thread and the monitor threads without a lock: each access
// is one atomic load or store, and the last writer wins.
#pragma once

#include "platform/owned_handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

struct MutexTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Release(Handle mutex) { CloseHandle(mutex); }
};

class ScanState {
  public:
    ScanState() : mutex_(CreateMutexA(nullptr, FALSE, nullptr)) {}
    ScanState(const ScanState&) = delete;
    ScanState& operator=(const ScanState&) = delete;

    // False when ScanMutex could not be made: nothing could keep scans apart.
    bool HasScanMutex() const { return mutex_.get() != nullptr; }

    bool RefreshBusy() const { return refreshBusy_.load() == 1; }
    void SetRefreshBusy(bool busy) { refreshBusy_.store(busy ? 1 : 0); }
    bool PinPromptShown() const { return pinPromptShown_.load() != 0; }
    void SetPinPromptShown(bool shown) { pinPromptShown_.store(shown ? 1 : 0); }
    // The word itself, for a lock wait that gives up once a prompt shows.
    const std::atomic<std::int32_t>& PinPromptFlag() const { return pinPromptShown_; }

    // ScanMutex held for one scan; only a scan takes it.
    class ScanLock {
      public:
        explicit ScanLock(ScanState& state) : mutex_(state.mutex_.get()) {
            WaitForSingleObject(mutex_, INFINITE);
        }
        ~ScanLock() { ReleaseMutex(mutex_); }
        ScanLock(const ScanLock&) = delete;
        ScanLock& operator=(const ScanLock&) = delete;

      private:
        HANDLE mutex_;
    };

  private:
    platform::OwnedHandle<MutexTraits> mutex_;
    std::atomic<std::int32_t> refreshBusy_{0};
    std::atomic<std::int32_t> pinPromptShown_{0};
};

// The program's one ScanState: the main window and every monitor thread share it, and it
// outlives them all.
ScanState& TheScanState();
