#include "provider_registry.h"

#include <windows.h>
#include <wincrypt.h>

namespace keystead_test {

const char kVelqProvider[] = "VELQ Cryptographic Service Provider v2.0.0";

namespace {
const char kProviders[] = "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\";
}

ScopedProvider::ScopedProvider(std::string name, const std::string& imagePath)
    : name_(std::move(name)) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kProviders + name_).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const DWORD type = PROV_RSA_FULL, sigInFile = 0;
    ok_ = RegSetValueExA(key, "Image Path", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(imagePath.c_str()),
                         static_cast<DWORD>(imagePath.size() + 1)) == ERROR_SUCCESS &&
          RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type),
                         sizeof type) == ERROR_SUCCESS &&
          RegSetValueExA(key, "SigInFile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&sigInFile),
                         sizeof sigInFile) == ERROR_SUCCESS;
    RegCloseKey(key);
}

ScopedProvider::~ScopedProvider() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kProviders + name_).c_str());
}

} // namespace keystead_test
