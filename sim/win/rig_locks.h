// Locks shared by every process that uses one rig: the vendor lock behind LockUKey/UnlockUKey
// and the lock around read-modify-write of the token files. Windows mutexes are recursive for
// the owning thread and reach across processes, which is what the token's lock must be.
#pragma once

#include "core/vendor_model.h"

#include <windows.h>

#include <string>

namespace zqsim {

std::string RigLockName(const char* prefix, const std::string& rigDir);
inline std::string TokenLockName(const std::string& rigDir) {
    return RigLockName("ZQSimUKey_", rigDir);
}
inline std::string FileLockName(const std::string& rigDir) {
    return RigLockName("ZQSimRigFiles_", rigDir);
}

class NamedMutex : public RigFileLock {
  public:
    explicit NamedMutex(const std::string& name);
    ~NamedMutex() override;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    void Lock() override;
    void Unlock() override;

  private:
    HANDLE mutex_;
};

// ZQSIM_RIG when set, else the "rig" folder beside the given module.
std::string DefaultRigDir(HMODULE module);

} // namespace zqsim
