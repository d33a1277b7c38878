// A registry key, opened (or made) and closed when it goes.
#pragma once

#include <windows.h>

namespace platform {

class RegistryKey {
  public:
    // Under HKEY_LOCAL_MACHINE.
    RegistryKey(const char* subKey, REGSAM access)
        : RegistryKey(HKEY_LOCAL_MACHINE, subKey, access) {}
    // create: the key is made when it is missing.
    RegistryKey(HKEY root, const char* subKey, REGSAM access, bool create = false) {
        const LONG opened =
            create ? RegCreateKeyExA(root, subKey, 0, nullptr, 0, access, nullptr, &key_, nullptr)
                   : RegOpenKeyExA(root, subKey, 0, access, &key_);
        if (opened != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~RegistryKey() {
        if (key_)
            RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool open() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

} // namespace platform
