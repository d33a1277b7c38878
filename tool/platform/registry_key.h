// A registry key, opened (or made) and closed when it goes.
#pragma once

#include "owned_handle.h"

#include <windows.h>

namespace platform {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static void Release(Handle key) { RegCloseKey(key); }
};

class RegistryKey : public OwnedHandle<RegistryKeyTraits> {
  public:
    // Under HKEY_LOCAL_MACHINE.
    RegistryKey(const char* subKey, REGSAM access)
        : RegistryKey(HKEY_LOCAL_MACHINE, subKey, access) {}
    // create: the key is made when it is missing.
    RegistryKey(HKEY root, const char* subKey, REGSAM access, bool create = false)
        : OwnedHandle(Opened(root, subKey, access, create)) {}

    bool open() const { return get() != nullptr; }

  private:
    static HKEY Opened(HKEY root, const char* subKey, REGSAM access, bool create) {
        HKEY key = nullptr;
        const LONG opened =
            create ? RegCreateKeyExA(root, subKey, 0, nullptr, 0, access, nullptr, &key, nullptr)
                   : RegOpenKeyExA(root, subKey, 0, access, &key);
        return opened == ERROR_SUCCESS ? key : nullptr;
    }
};

} // namespace platform
