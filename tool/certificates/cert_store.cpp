#include "cert_store.h"

#include <cstring>

const char kTokenProviderName[] = "VELQ Cryptographic Service Provider v2.0.0";
const char kRootProviderName[] = "Microsoft Base Cryptographic Provider v1.0";

void ToWideName(const char* text, wchar_t (&wide)[256]) {
    std::memset(wide, 0, sizeof wide);
    const int length = static_cast<int>(strnlen(text, 255));
    // One unit stays free for the terminator whatever the text.
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, length, wide, 255);
}
