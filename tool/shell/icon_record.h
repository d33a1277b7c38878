// Which notification-icon record the running shell understands. Shells before 5.0 (95, 98 and
// NT 4.0, with or without Internet Explorer's desktop update) know only the record's first
// version, whose tip holds 64 bytes, and show no balloons; a record they do not know may be
// refused, and a Keystead that starts hidden without its icon could not be reached at all.
// Platform-free.
#pragma once

#include <cstddef>

namespace tray {

enum class IconRecord {
    kFirstVersion,  // NOTIFYICONDATA_V1_SIZE: message, icon and a 64-byte tip
    kSecondVersion, // shell32 5.0: a 128-byte tip, state and balloons
};

IconRecord IconRecordFor(unsigned shellMajor, unsigned shellMinor);

// Bytes of the tip the record carries, the terminator included.
std::size_t TipBytes(IconRecord record);
inline bool ShowsBalloons(IconRecord record) {
    return record == IconRecord::kSecondVersion;
}

} // namespace tray
