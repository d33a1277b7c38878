// Writes the version records this process gets from the system into the file named by its
// argument. Copied under another program's file name, it sees what that program is told.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    const bool extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
    OSVERSIONINFOA basic;
    std::memset(&basic, 0, sizeof basic);
    basic.dwOSVersionInfoSize = sizeof basic;
    const bool basicAccepted = GetVersionExA(&basic) != FALSE;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out)
        return 3;
    std::fprintf(out, "extended=%d\nbasic=%d\nmajor=%lu\nminor=%lu\nbuild=%lu\nplatform=%lu\n",
                 extended ? 1 : 0, basicAccepted ? 1 : 0, basic.dwMajorVersion,
                 basic.dwMinorVersion, basic.dwBuildNumber, basic.dwPlatformId);
    std::fprintf(out, "csd=%s\nsuite=%u\nproduct=%u\n", basic.szCSDVersion,
                 static_cast<unsigned>(info.wSuiteMask), static_cast<unsigned>(info.wProductType));
    std::fclose(out);
    return 0;
}
