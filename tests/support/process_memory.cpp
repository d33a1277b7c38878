#include "process_memory.h"

#include <algorithm>
#include <vector>

namespace keystead_test {

int CountInProcessMemory(DWORD pid, const std::string& bytes) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process || bytes.empty())
        return -1;
    int hits = 0;
    std::vector<char> chunk;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr;
         VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        const DWORD unreadable = PAGE_NOACCESS | PAGE_GUARD;
        if (region.State == MEM_COMMIT && !(region.Protect & unreadable)) {
            chunk.resize(region.RegionSize);
            SIZE_T read = 0;
            if (ReadProcessMemory(process, region.BaseAddress, chunk.data(), chunk.size(), &read)) {
                for (auto it = chunk.begin();
                     (it = std::search(it, chunk.begin() + read, bytes.begin(), bytes.end())) !=
                     chunk.begin() + read;
                     ++it)
                    ++hits;
            }
        }
        if (region.RegionSize == 0)
            break;
    }
    CloseHandle(process);
    return hits;
}

} // namespace keystead_test
