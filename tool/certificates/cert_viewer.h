// Shows a certificate in the system's certificate viewer, from a temporary file.
#pragma once

#include <cstdint>

// Writes the bytes to "ZQCertTemp.cer" in the temporary folder and opens it. Nothing happens
// when the folder's path leaves no room for the name or the file does not open.
void ViewCertificate(const unsigned char* certificate, std::int32_t length);
