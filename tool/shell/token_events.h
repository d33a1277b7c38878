// Which device notifications are taken for the token's. Platform-free.
#pragma once

#include <cstddef>

namespace shell {

// On the 9x family every arrival or removal moves a counter 1, 2, 3, 0, 1, ...; only the
// events that bring it to 1 (the 1st, 5th, 9th since start) are acted on.
class Win9xEventCounter {
  public:
    bool Advance() {
        count_ = (count_ + 1) % 4;
        return count_ == 1;
    }

  private:
    int count_ = 0;
};

// True when "VELQ" occurs in the interface name, in any letter case. Reads at most `length`
// bytes and stops at a zero byte; the name itself is never changed.
bool NameMarksToken(const char* name, std::size_t length);

} // namespace shell
