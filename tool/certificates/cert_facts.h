// What the support report and the expiry warning tell of a token certificate, and whether the
// user's stores hold it as Keystead would have placed it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct CertificateFacts {
    std::string subject; // common names; empty when the name has none
    std::string issuer;
    std::string serialNumber; // hexadecimal, most significant byte first
    std::string validFrom;    // "YYYY-MM-DD hh:mm:ss UTC"
    std::string validUntil;
    std::int64_t daysLeft = 0; // 0 or less: expired
    std::string thumbprint;    // SHA-1, upper-case hexadecimal
};

// False when the bytes are no certificate.
bool DescribeCertificate(const unsigned char* der, std::int32_t length, CertificateFacts* facts);

// Whether a certificate of the token's root container may become a root here, and why
// (RootTrust); kRootNotSelfSignedCa too when the bytes are no certificate.
int RootTrustOf(const unsigned char* der, std::int32_t length);

// Now, in the units of a certificate's validity (100 ns since 1601, UTC).
std::int64_t CurrentFileTime();

enum StoreHolding {
    kNotInStore = 0,
    kInStoreRightly = 1,   // with the key provider information that ties it to its container
    kInStoreOtherwise = 2, // without it, or naming another provider, container or key
};

// How "MY" holds this token certificate; for the bank root (root true) how "ROOT" does, where
// the key provider information is not looked at.
int StoreHoldingOf(const unsigned char* der, std::int32_t length, const char* containerName,
                   std::uint8_t usage, bool root);
