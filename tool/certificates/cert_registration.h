// Placing a token certificate in the user's store with the key provider information that ties
// it to its container on the token.
#pragma once

#include <cstdint>

enum RegisterResult : int {
    kRegistered = 0,
    kStoreNotOpened = 1,
    kNotACertificate = 2,
    kNotAdded = 3,
    kAlreadyInStore = 4,
    kNotTrustedRoot = 5, // the root container's certificate, refused as a root
};

// "ROOT" under the Microsoft base provider for the bank's root container, "MY" under the
// token's provider for every other container. Into "ROOT" goes only a self-signed CA
// certificate, one of the bank's where the machine names them, and only when it is not there
// yet; Keystead records each root it added.
int RegisterCertificate(const char* containerName, const unsigned char* certificate,
                        std::int32_t length, std::uint8_t usage);

// 1 when at least one certificate of "MY" matched and was deleted, else 0. With bytes (or a
// non-zero length): every certificate with exactly those bytes. With neither: every
// certificate whose key provider information names the token's provider.
int UnregisterCertificates(const unsigned char* certificate, std::int32_t length);
