#include "vendor_failures.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace vendor_failures {
namespace {

// Made before WinMain, while the process has one thread; monitors record from their own.
struct Ring {
    Ring() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    Failure kept[kKept];
    std::size_t next = 0;  // where the next failure goes
    std::size_t count = 0; // how many are kept
};

Ring g_ring;

} // namespace

void Record(const char* function, std::int32_t status) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    Failure failure = {function,
                       status,
                       {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
                       1};
    EnterCriticalSection(&g_ring.lock);
    // Oldest first, as Recent() hands them out.
    std::vector<Failure> kept;
    kept.reserve(kKept);
    for (std::size_t i = 0; i < g_ring.count; ++i) {
        const Failure& old = g_ring.kept[(g_ring.next + kKept - g_ring.count + i) % kKept];
        if (std::strcmp(old.function, function) == 0 && old.status == status)
            failure.count = old.count + 1;
        else
            kept.push_back(old);
    }
    if (kept.size() == kKept)
        kept.erase(kept.begin());
    kept.push_back(failure);
    for (std::size_t i = 0; i < kept.size(); ++i)
        g_ring.kept[i] = kept[i];
    g_ring.count = kept.size();
    g_ring.next = kept.size() % kKept;
    LeaveCriticalSection(&g_ring.lock);
}

std::vector<Failure> Recent() {
    std::vector<Failure> recent;
    EnterCriticalSection(&g_ring.lock);
    recent.reserve(g_ring.count);
    for (std::size_t i = 0; i < g_ring.count; ++i)
        recent.push_back(g_ring.kept[(g_ring.next + kKept - g_ring.count + i) % kKept]);
    LeaveCriticalSection(&g_ring.lock);
    return recent;
}

} // namespace vendor_failures
