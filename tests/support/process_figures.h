// What a process holds, read from another process. Under Wine GetProcessHandleCount and
// GetGuiResources answer 0 whatever the process holds, so the counts come from where the
// system really keeps them: the system's handle list for handles, the process list for threads,
// the process's own GDI handle table (its environment block points to it) for GDI objects, and
// its windows for USER objects.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace keystead_test {

struct ProcessFigures {
    long handles = -1, threads = -1, gdiObjects = -1, userObjects = -1;
    long long privateBytes = -1;       // the commit charge
    double cpuMs = -1;                 // kernel and user time so far
    std::map<int, long> handlesByType; // by the system's object type number
};

ProcessFigures SampleProcess(HANDLE process, DWORD pid);

} // namespace keystead_test
