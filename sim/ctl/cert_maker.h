// Real key pairs and self-signed certificates for virtual tokens, made with the platform's own
// CryptoAPI so that they are exactly what a token would carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqsim {

struct KeyAndCert {
    std::vector<std::uint8_t> privateKeyBlob; // PRIVATEKEYBLOB
    std::vector<std::uint8_t> certificate;    // DER
};

// keySpec: AT_KEYEXCHANGE (1) or AT_SIGNATURE (2). A CA certificate carries the basic
// constraints of a certification authority. padBytes > 0 adds a private extension of that
// many bytes, for certificates larger than usual. With an issuer the certificate names that
// issuer instead of its subject, as one a certification authority above it issued would.
// expiresInDays: when non-zero, the certificate ends that many days from now (in the past when
// negative) instead of in ten years. False with a reason on failure.
bool MakeKeyAndCert(const std::string& subject, unsigned keySpec, unsigned bits, bool ca,
                    unsigned padBytes, KeyAndCert* out, std::string* error,
                    const std::string& issuer = std::string(), int expiresInDays = 0);

} // namespace zqsim
