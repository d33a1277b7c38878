// Where a scan hands over to the certificate stores and the default-PIN monitor. The scan
// ignores every result.
#pragma once

#include <cstdint>

// Removes from "MY" every certificate that names Keystead's provider.
void HandOffUnregisterProviderCertificates();
// Places one certificate read from a container in its store.
void HandOffRegisterCertificate(const char* containerName, const unsigned char* bytes,
                                std::int32_t length, std::uint8_t usage);
// Starts the check of one token for a factory-default PIN.
void HandOffStartDefaultPinMonitor(const char* deviceName);
