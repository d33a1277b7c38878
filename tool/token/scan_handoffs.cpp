// Certificate registration and the default-PIN monitor are not built yet. Until they are, the
// scan hands over to nothing here; the README lists what is missing.
#include "scan_handoffs.h"

void HandOffUnregisterProviderCertificates() {}

void HandOffRegisterCertificate(const char*, const unsigned char*, std::int32_t, std::uint8_t) {}

void HandOffStartDefaultPinMonitor(const char*) {}
