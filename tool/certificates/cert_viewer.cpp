#include "cert_viewer.h"

#include "platform/stdio_file.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

void ViewCertificate(const unsigned char* certificate, std::int32_t length) {
    static const char kFileName[] = "\\ZQCertTemp.cer";
    char path[256];
    std::memset(path, 0, sizeof path);
    const DWORD folderLength = GetTempPathA(sizeof path, path);
    if (folderLength == 0 || folderLength + sizeof kFileName > sizeof path)
        return;
    std::strcat(path, kFileName);
    {
        platform::StdioFile file(std::fopen(path, "wb+"));
        if (!file)
            return;
        if (length > 0)
            std::fwrite(certificate, 1, static_cast<std::size_t>(length), file.get());
    }
    ShellExecuteA(nullptr, "open", path, "rundll32.exe cryptext.dll,CryptExtOpenCER", nullptr,
                  SW_SHOWNORMAL);
}
