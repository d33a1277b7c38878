// Reads another process's committed memory, to prove that a secret is not left in it.
#pragma once

#include <windows.h>

#include <string>

namespace keystead_test {

// How often the bytes occur in the readable committed memory of the process; -1 when the
// process cannot be read at all.
int CountInProcessMemory(DWORD pid, const std::string& bytes);

} // namespace keystead_test
