// The support report: one plain text of what the machine has, which tokens answer, which
// certificates are registered and what failed, in the texts of the program's resource set.
// Nothing in it is a PIN or comes from one.
#pragma once

#include "token/token_facts.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace support_report {

enum Notifications {
    kNotificationsRegistered,
    kNotificationsNotRegistered,
    kNotificationsNoWindow, // the report runs on its own, without a window to register
};

struct Setting {
    int notifications = kNotificationsNotRegistered;
    // The library as it is loaded here, or where it was looked for when it is not bound.
    std::string libraryPath;
    bool libraryBound = false;
    TokenReading tokens;
    bool lockHeld = false; // the tokens could not be read: the lock stayed held
};

// Lines end in CR LF, as Notepad on every Windows family shows them.
std::string Compose(const Setting& setting);

// The tokens as the report reads them: inside the bracket, asking nothing that changes them.
// giveUp as for a scan: the wait for the bracket ends once it turns non-zero, *bracket false.
TokenReading ReadTokens(const std::atomic<std::int32_t>& giveUp, bool* bracket);

} // namespace support_report
