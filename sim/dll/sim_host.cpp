#include "sim_host.h"

#include "core/hex.h"
#include "core/sim_status.h"

#include <string>

namespace zqsim {
namespace {

HMODULE g_module = nullptr;

// A library window's modal wait: messages sent to the caller's windows are served meanwhile.
void ServingPause(int ms) {
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < static_cast<DWORD>(ms); waited = GetTickCount() - start) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms) - waited,
                                      QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

} // namespace

void SetSimModule(HMODULE module) {
    g_module = module;
}

SimHost::SimHost()
    : rigDir_(DefaultRigDir(g_module)), fileLock_(FileLockName(rigDir_)),
      tokenLock_(TokenLockName(rigDir_)), model_(Rig(rigDir_), &fileLock_), depthSlot_(TlsAlloc()) {
    model_.SetServingPause(ServingPause);
}

SimHost::~SimHost() {
    if (depthSlot_ != TLS_OUT_OF_INDEXES)
        TlsFree(depthSlot_);
}

// The lock depth of the calling thread. Kept in a plain Win32 TLS slot: the runtime's own
// thread-local storage would run clean-up code of this library after it has been unloaded.
int SimHost::LockDepth() const {
    return static_cast<int>(reinterpret_cast<INT_PTR>(TlsGetValue(depthSlot_)));
}

void SimHost::SetLockDepth(int depth) {
    TlsSetValue(depthSlot_, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(depth)));
}

SimHost& SimHost::Get() {
    static SimHost host;
    return host;
}

void SimHost::LockToken() {
    tokenLock_.Lock();
    SetLockDepth(LockDepth() + 1);
}

std::int32_t SimHost::UnlockToken() {
    const int depth = LockDepth();
    if (depth == 0)
        return kSwNotLocked;
    SetLockDepth(depth - 1);
    tokenLock_.Unlock();
    return kOk;
}

void SimHost::LogCall(const char* function, std::int32_t result, const char* deviceName,
                      std::int32_t deviceNameLength) {
    std::string line = std::to_string(GetCurrentProcessId()) + " " +
                       std::to_string(GetCurrentThreadId()) + " " + function +
                       " rc=" + std::to_string(result) + " depth=" + std::to_string(LockDepth()) +
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
