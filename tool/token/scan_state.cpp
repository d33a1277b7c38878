#include "scan_state.h"

HANDLE g_scanMutex = nullptr;
std::atomic<std::int32_t> g_refreshBusy{0};
std::atomic<std::int32_t> g_pinPromptShown{0};
