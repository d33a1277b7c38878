#include "token_library.h"

#include "library_lease.h"
#include "platform/library_search.h"
#include "vendor_entries.h"

#include <cstring>
#include <string>

namespace {

// One library per process. Made before WinMain, while the process has one thread.
struct LibraryState {
    LibraryState()
        : letGoEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          unusedEvent(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
        InitializeCriticalSection(&lock);
    }
    CRITICAL_SECTION lock;
    HANDLE letGoEvent;  // set once the owner let go
    HANDLE unusedEvent; // set while no lease is held
    HMODULE module = nullptr;
    long leases = 0;
    bool letGo = false;
};

LibraryState g_state;

// Takes the module out of the state when it is to be freed now; the caller frees it outside
// the lock, since freeing runs the library's own clean-up under the loader's lock.
HMODULE ModuleToFree() {
    if (!g_state.letGo || g_state.leases != 0 || !g_state.module)
        return nullptr;
    HMODULE module = g_state.module;
    g_state.module = nullptr;
    return module;
}

void Free(HMODULE module) {
    if (!module)
        return;
    // A stray call after this one fails at a null entry, never in code that is gone.
    std::memset(&g_tokenApi, 0, sizeof g_tokenApi);
    UnbindTokenApi(module);
}

} // namespace

LibraryLease::LibraryLease() {
    EnterCriticalSection(&g_state.lock);
    held_ = g_state.module != nullptr && !g_state.letGo;
    if (held_ && g_state.leases++ == 0)
        ResetEvent(g_state.unusedEvent);
    LeaveCriticalSection(&g_state.lock);
}

LibraryLease::~LibraryLease() {
    if (!held_)
        return;
    EnterCriticalSection(&g_state.lock);
    if (--g_state.leases == 0)
        SetEvent(g_state.unusedEvent);
    HMODULE module = ModuleToFree();
    LeaveCriticalSection(&g_state.lock);
    Free(module);
}

HANDLE LibraryLetGoEvent() {
    return g_state.letGoEvent;
}

TokenLibrary::~TokenLibrary() {
    LetGo();
    WaitUntilUnused(5000);
}

bool TokenLibrary::Bind() {
    HMODULE module = nullptr;
    const std::string path = platform::TrustedLibraryPath("ZQCSP.dll");
    if (path.empty() || !BindTokenApi(path.c_str(), &module))
        return false;
    EnterCriticalSection(&g_state.lock);
    g_state.module = module;
    LeaveCriticalSection(&g_state.lock);
    return true;
}

bool TokenLibrary::usable() const {
    EnterCriticalSection(&g_state.lock);
    const bool usable = g_state.module != nullptr && !g_state.letGo;
    LeaveCriticalSection(&g_state.lock);
    return usable;
}

void TokenLibrary::LetGo() {
    EnterCriticalSection(&g_state.lock);
    g_state.letGo = true;
    SetEvent(g_state.letGoEvent);
    HMODULE module = ModuleToFree();
    LeaveCriticalSection(&g_state.lock);
    Free(module);
}

bool TokenLibrary::WaitUntilUnused(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs)
            return WaitForSingleObject(g_state.unusedEvent, 0) == WAIT_OBJECT_0;
        const DWORD woke = MsgWaitForMultipleObjects(1, &g_state.unusedEvent, FALSE,
                                                     timeoutMs - waited, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0)
            return true;
        if (woke != WAIT_OBJECT_0 + 1)
            continue;
        MSG msg; // delivers the sent messages; posted ones stay queued
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::string TokenLibrary::LoadedPath() const {
    char path[MAX_PATH + 1];
    std::memset(path, 0, sizeof path);
    EnterCriticalSection(&g_state.lock);
    if (g_state.module)
        GetModuleFileNameA(g_state.module, path, MAX_PATH);
    LeaveCriticalSection(&g_state.lock);
    return path;
}

bool MissingVendorFunctions(const std::string& path, std::vector<std::string>* missing) {
    missing->clear();
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return false;
    for (const char* name : kVendorEntryNames)
        if (!GetProcAddress(module, name))
            missing->push_back(name);
    FreeLibrary(module);
    return true;
}
