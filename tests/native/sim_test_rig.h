// A rig in a fresh temporary folder, removed again when the test ends.
#pragma once

#include "core/rig.h"
#include "core/vendor_model.h"

#include <filesystem>
#include <mutex>
#include <random>
#include <string>

namespace zqsim_test {

class TempRig {
  public:
    TempRig() {
        std::random_device random;
        dir_ = std::filesystem::temp_directory_path() /
               ("zqsim-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(dir_);
    }
    ~TempRig() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    zqsim::Rig rig() const { return zqsim::Rig(dir_.string()); }
    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::filesystem::path dir_;
};

class InProcessFileLock : public zqsim::RigFileLock {
  public:
    void Lock() override { mutex_.lock(); }
    void Unlock() override { mutex_.unlock(); }

  private:
    std::mutex mutex_;
};

inline zqsim::TokenRecord MakeToken(const std::string& serial, int slot = 0) {
    zqsim::TokenRecord t;
    t.serial = serial;
    t.deviceName = "\\\\.\\VELQUKEY_" + serial;
    t.slot = slot;
    t.userPinHash = t.defaultPinHash = zqsim::PinHash("12345678");
    zqsim::ContainerRecord c;
    c.name = "container-" + serial;
    c.signCert = {0x30, 0x03, 0x02, 0x01, 0x01};
    c.exchCert = {0x30, 0x03, 0x02, 0x01, 0x02, 0x00};
    t.containers.push_back(c);
    return t;
}

} // namespace zqsim_test
