// Which setup program of the package fits the running Windows. Platform-free.
#pragma once

namespace kestrun {

struct SetupPackage {
    const char* directory; // relative to the working directory, used exactly as written
    const char* file;      // a bare name, found by the shell in that directory
};

// 1 for the NT family from version 5 on, else 0. A version record that could not be read
// counts as the NT family: every system since Windows 2000 is one.
int MajorVersionAbove4(bool versionKnown, unsigned long majorVersion);

SetupPackage PackageFor(int majorVersionAbove4);

// Copies at most size-1 bytes of source and always terminates; the launcher's fixed buffers.
void CopyBounded(char* target, unsigned long size, const char* source);

} // namespace kestrun
