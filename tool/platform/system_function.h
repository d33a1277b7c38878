// Functions that only some Windows versions have are looked up where they are called, never
// imported: an import that the system lacks keeps the whole program from loading.
#pragma once

#include <windows.h>

// The named export of an already loaded system module, or null when this Windows lacks it.
FARPROC FindSystemFunction(const char* module, const char* name);

template <class Function> Function* FindSystemFunction(const char* module, const char* name) {
    // Through the one function type that converts to every other without a warning.
    return reinterpret_cast<Function*>(
        reinterpret_cast<void (*)()>(FindSystemFunction(module, name)));
}
