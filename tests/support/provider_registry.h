// A provider entered in the machine's CryptoAPI registry for the length of one test.
#pragma once

#include <string>

namespace keystead_test {

extern const char kVelqProvider[]; // the name Keystead writes into key provider information

class ScopedProvider {
  public:
    ScopedProvider(std::string name, const std::string& imagePath);
    ~ScopedProvider();
    ScopedProvider(const ScopedProvider&) = delete;
    ScopedProvider& operator=(const ScopedProvider&) = delete;
    bool ok() const { return ok_; }

  private:
    std::string name_;
    bool ok_ = false;
};

} // namespace keystead_test
