#include "process_figures.h"

#include <psapi.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace keystead_test {
namespace {

// One entry of the GDI handle table, as the system lays it out.
struct GdiHandleEntry {
    unsigned long long kernelObject;
    unsigned short ownerProcess, count;
    unsigned char type, extendedType, flags, moreFlags;
    unsigned long long userObject;
};
constexpr int kGdiHandleEntries = 0x10000;
// Where the environment block keeps the table's address.
constexpr std::size_t kGdiTableInPeb = sizeof(void*) == 8 ? 0xF8 : 0x94;

typedef NTSTATUS(NTAPI* QuerySystem)(ULONG, PVOID, ULONG, PULONG);
typedef NTSTATUS(NTAPI* QueryProcess)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// One entry of the system's handle list.
struct SystemHandle {
    ULONG ownerProcess;
    BYTE objectType, flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
constexpr ULONG kSystemHandleInformation = 16;

QuerySystem SystemQuery() {
    return reinterpret_cast<QuerySystem>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
}

long Handles(DWORD pid, std::map<int, long>* byType) {
    const QuerySystem query = SystemQuery();
    std::vector<char> buffer(4 << 20);
    ULONG size = 0;
    if (!query || query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                        &size) != 0)
        return -1;
    ULONG count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const std::size_t first = sizeof(void*); // the count, padded to the entries' alignment
    const std::size_t fit = (buffer.size() - first) / sizeof(SystemHandle);
    const auto* entries = reinterpret_cast<const SystemHandle*>(buffer.data() + first);
    long mine = 0;
    for (ULONG i = 0; i < count && i < fit; ++i) {
        if (entries[i].ownerProcess == pid) {
            ++mine;
            ++(*byType)[entries[i].objectType];
        }
    }
    return mine;
}

long Threads(DWORD pid) {
    const QuerySystem query = SystemQuery();
    std::vector<char> buffer(1 << 20);
    ULONG size = 0;
    if (!query || query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                        &size) != 0)
        return -1;
    for (std::size_t at = 0;;) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId)) == pid)
            return static_cast<long>(p->NumberOfThreads);
        if (p->NextEntryOffset == 0)
            return -1;
        at += p->NextEntryOffset;
    }
}

long GdiObjects(HANDLE process) {
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -1;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + kGdiTableInPeb,
                           &table, sizeof table, &read) ||
        !table)
        return -1;
    std::vector<GdiHandleEntry> entries(kGdiHandleEntries);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof entries[0],
                           &read))
        return -1;
    long used = 0;
    for (const GdiHandleEntry& e : entries)
        used += e.type != 0;
    return used;
}

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM data) {
    ++reinterpret_cast<WindowCount*>(data)->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND hwnd, LPARAM data) {
    auto* c = reinterpret_cast<WindowCount*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == c->pid) {
        ++c->count;
        EnumChildWindows(hwnd, CountChild, data);
    }
    return TRUE;
}

} // namespace

ProcessFigures SampleProcess(HANDLE process, DWORD pid) {
    ProcessFigures f;
    f.handles = Handles(pid, &f.handlesByType);
    f.threads = Threads(pid);
    f.gdiObjects = GdiObjects(process);
    WindowCount windows = {pid, 0};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&windows));
    f.userObjects = windows.count;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, &memory, sizeof memory))
        f.privateBytes = static_cast<long long>(memory.PagefileUsage);
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        const auto ticks = [](FILETIME t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        f.cpuMs = static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
    }
    return f;
}

} // namespace keystead_test
