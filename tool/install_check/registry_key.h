// A registry key opened under HKEY_LOCAL_MACHINE and closed when it goes.
#pragma once

#include <windows.h>

namespace install_check {

class RegistryKey {
  public:
    RegistryKey(const char* subKey, REGSAM access) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, access, &key_) != ERROR_SUCCESS)
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

} // namespace install_check
