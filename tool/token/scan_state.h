// What keeps scans and default-PIN prompts apart. The two flags are single words shared by the
// user-interface thread and the monitor threads; each access is one atomic load or store.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

extern HANDLE g_scanMutex;                         // taken only by a scan; never closed
extern std::atomic<std::int32_t> g_refreshBusy;    // RefreshBusy
extern std::atomic<std::int32_t> g_pinPromptShown; // PinPromptShown
