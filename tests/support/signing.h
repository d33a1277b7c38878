// Signing through a provider and checking the signature with the platform's own provider.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

namespace keystead_test {

struct Blob {
    std::vector<BYTE> bytes;
};

Blob ExportPublicKey(HCRYPTKEY key);
// A SHA-1 signature of data with that key pair of the context, or empty.
std::vector<BYTE> SignSha1(HCRYPTPROV prov, DWORD keySpec, const std::string& data);
// Verified with the platform's own provider, never with the one under test, against either a
// certificate's public key or an exported public key blob.
bool VerifiesWith(const CERT_PUBLIC_KEY_INFO* info, const Blob* publicKey, const std::string& data,
                  const std::vector<BYTE>& signature);

} // namespace keystead_test
