#include "vendor_failures.h"

#include <windows.h>

#include <cstring>

namespace vendor_failures {
namespace {

// Made before WinMain, while the process has one thread; monitors record from their own.
struct Kept {
    Kept() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    Failure oldestFirst[kKept];
    std::size_t count = 0;
};

Kept g_kept;

} // namespace

void Record(const char* function, std::int32_t status) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    Failure failure = {function,
                       status,
                       {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
                       1};
    EnterCriticalSection(&g_kept.lock);
    // The same failure again leaves its place, counted; a new one pushes out the oldest when
    // all places are taken. Either way it goes last, as the newest.
    std::size_t leaving = 0;
    while (leaving < g_kept.count &&
           (std::strcmp(g_kept.oldestFirst[leaving].function, function) != 0 ||
            g_kept.oldestFirst[leaving].status != status))
        ++leaving;
    if (leaving < g_kept.count)
        failure.count = g_kept.oldestFirst[leaving].count + 1;
    else if (g_kept.count == kKept)
        leaving = 0;
    else
        leaving = g_kept.count++;
    for (std::size_t i = leaving; i + 1 < g_kept.count; ++i)
        g_kept.oldestFirst[i] = g_kept.oldestFirst[i + 1];
    g_kept.oldestFirst[g_kept.count - 1] = failure;
    LeaveCriticalSection(&g_kept.lock);
}

std::vector<Failure> Recent() {
    EnterCriticalSection(&g_kept.lock);
    std::vector<Failure> recent(g_kept.oldestFirst, g_kept.oldestFirst + g_kept.count);
    LeaveCriticalSection(&g_kept.lock);
    return recent;
}

} // namespace vendor_failures
