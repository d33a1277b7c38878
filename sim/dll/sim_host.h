// The Windows side of the simulated library: where its rig is, the vendor lock with its depth
// per thread, and the call log. One instance per process, made on first use.
#pragma once

#include "core/vendor_model.h"
#include "win/rig_locks.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace zqsim {

class SimHost {
  public:
    static SimHost& Get();

    VendorModel& model() { return model_; }
    RigFileLock* fileLock() { return &fileLock_; }

    void LockToken();
    std::int32_t UnlockToken();
    int LockDepth() const;

    // One line per call; a PIN never goes into it, only the device name where there is one.
    void LogCall(const char* function, std::int32_t result, const char* deviceName,
                 std::int32_t deviceNameLength);

  private:
    SimHost();
    ~SimHost();
    void SetLockDepth(int depth);
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    std::string rigDir_;
    NamedMutex fileLock_;
    NamedMutex tokenLock_;
    VendorModel model_;
    DWORD depthSlot_;
};

void SetSimModule(HMODULE module);

} // namespace zqsim
