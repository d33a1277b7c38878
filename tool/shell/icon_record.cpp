#include "icon_record.h"

namespace tray {

IconRecord IconRecordFor(unsigned shellMajor, unsigned) {
    return shellMajor >= 5 ? IconRecord::kSecondVersion : IconRecord::kFirstVersion;
}

std::size_t TipBytes(IconRecord record) {
    return record == IconRecord::kSecondVersion ? 128 : 64;
}

} // namespace tray
