#include "rig_locks.h"

#include <cstdint>
#include <cstdio>

namespace zqsim {

std::string RigLockName(const char* prefix, const std::string& rigDir) {
    char full[MAX_PATH + 1];
    DWORD n = GetFullPathNameA(rigDir.c_str(), sizeof full, full, nullptr);
    std::string path = n > 0 && n < sizeof full ? std::string(full, n) : rigDir;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    std::uint32_t hash = 2166136261u;
    for (char c : path) {
        char folded = c == '/' ? '\\' : c;
        if (folded >= 'A' && folded <= 'Z')
            folded = static_cast<char>(folded - 'A' + 'a');
        hash = (hash ^ static_cast<unsigned char>(folded)) * 16777619u;
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s%08lx", prefix, static_cast<unsigned long>(hash));
    return name;
}

NamedMutex::NamedMutex(const std::string& name)
    : mutex_(CreateMutexA(nullptr, FALSE, name.c_str())) {}

NamedMutex::~NamedMutex() {
    if (mutex_)
        CloseHandle(mutex_);
}

void NamedMutex::Lock() {
    // WAIT_ABANDONED: a process died inside; the files are whole (they are replaced by
    // rename), so the lock is simply taken over.
    WaitForSingleObject(mutex_, INFINITE);
}

void NamedMutex::Unlock() {
    ReleaseMutex(mutex_);
}

std::string DefaultRigDir(HMODULE module) {
    char buffer[MAX_PATH + 1];
    DWORD n = GetEnvironmentVariableA("ZQSIM_RIG", buffer, sizeof buffer);
    if (n > 0 && n < sizeof buffer)
        return std::string(buffer, n);
    n = GetModuleFileNameA(module, buffer, sizeof buffer);
    std::string path(buffer, n < sizeof buffer ? n : 0);
    std::size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "\\rig";
}

} // namespace zqsim
