// The token side of the simulated provider: which token holds a key container, and keeping a
// key pair generated through the provider on that token. Platform-free.
#pragma once

#include "rig.h"
#include "vendor_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zqsim {

struct KeyContainerRef {
    std::string serial;
    std::string container;
    std::vector<std::uint8_t> signKey; // PRIVATEKEYBLOBs as the token keeps them
    std::vector<std::uint8_t> exchKey;
};

// The first plugged token, in slot order, with a container of that name. An empty name means
// the token's first container, as a smart-card provider's default container.
bool FindKeyContainer(const Rig& rig, const std::string& name, KeyContainerRef* found);

// Whether the token that holds the container is still plugged in and still has it.
bool KeyContainerPresent(const Rig& rig, const std::string& serial, const std::string& container);

// Replaces the key pair of one usage (1 exchange, 2 signature) in the container.
bool StoreContainerKey(const Rig& rig, RigFileLock* lock, const std::string& serial,
                       const std::string& container, int keySpec,
                       const std::vector<std::uint8_t>& blob);

} // namespace zqsim
