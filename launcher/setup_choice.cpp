#include "setup_choice.h"

namespace kestrun {

int MajorVersionAbove4(bool versionKnown, unsigned long majorVersion) {
    if (!versionKnown)
        return 1;
    return majorVersion > 4 ? 1 : 0;
}

SetupPackage PackageFor(int majorVersionAbove4) {
    if (majorVersionAbove4 == 1)
        return SetupPackage{"setup/", "ZQTM_USBKEY_Setup.exe"};
    return SetupPackage{"win98/", "Setup.exe"};
}

void CopyBounded(char* target, unsigned long size, const char* source) {
    if (size == 0)
        return;
    unsigned long i = 0;
    for (; i + 1 < size && source[i] != '\0'; ++i)
        target[i] = source[i];
    target[i] = '\0';
}

} // namespace kestrun
