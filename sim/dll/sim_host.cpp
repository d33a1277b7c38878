#include "sim_host.h"

#include "core/hex.h"
#include "core/sim_status.h"

#include <string>

namespace zqsim {
namespace {

HMODULE g_module = nullptr;
thread_local int t_lockDepth = 0;

} // namespace

void SetSimModule(HMODULE module) {
    g_module = module;
}

SimHost::SimHost()
    : rigDir_(DefaultRigDir(g_module)), fileLock_(FileLockName(rigDir_)),
      tokenLock_(TokenLockName(rigDir_)), model_(Rig(rigDir_), &fileLock_) {}

SimHost& SimHost::Get() {
    static SimHost host;
    return host;
}

void SimHost::LockToken() {
    tokenLock_.Lock();
    ++t_lockDepth;
}

std::int32_t SimHost::UnlockToken() {
    if (t_lockDepth == 0)
        return kSwNotLocked;
    --t_lockDepth;
    tokenLock_.Unlock();
    return kOk;
}

int SimHost::LockDepth() const {
    return t_lockDepth;
}

void SimHost::LogCall(const char* function, std::int32_t result, const char* deviceName,
                      std::int32_t deviceNameLength) {
    std::string line = std::to_string(GetCurrentProcessId()) + " " +
                       std::to_string(GetCurrentThreadId()) + " " + function +
                       " rc=" + std::to_string(result) + " depth=" + std::to_string(t_lockDepth) +
                       " open=" + std::to_string(model_.OpenHandles());
    if (deviceName && deviceNameLength >= 0 && deviceNameLength <= 65536) {
        line += " dev=" +
                EscapeBytes(std::string(deviceName, static_cast<std::size_t>(deviceNameLength)));
    }
    line += "\r\n";
    HANDLE file = CreateFileA(model_.rig().LogPath().c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace zqsim
