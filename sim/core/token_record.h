// One virtual token as it is kept in its rig file.
#pragma once

#include "pin_hash.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zqsim {

struct ContainerRecord {
    std::string name;                   // byte string, at most 127 bytes
    std::vector<std::uint8_t> signCert; // DER behind CertRef A; empty when absent
    std::vector<std::uint8_t> exchCert; // DER behind CertRef B; empty when absent
    std::vector<std::uint8_t> signKey;  // PRIVATEKEYBLOB of the signature key pair
    std::vector<std::uint8_t> exchKey;  // PRIVATEKEYBLOB of the exchange key pair
};

struct TokenRecord {
    std::string serial;     // also names the rig file: letters, digits, '-' and '_' only
    std::string deviceName; // what ZQ_ListAllDev reports and ZQ_OpenDev takes
    int slot = 0;           // device list order among plugged tokens
    bool plugged = true;
    // PINs only as PinHash values, never in clear.
    std::string userPinHash;
    std::string defaultPinHash; // of the factory PIN that "reset" restores
    bool pinIsDefault = true;
    int attemptsLeft = 6;
    int maxAttempts = 6;
    std::string soPinHash = PinHash("88888888");
    int soAttemptsLeft = 10;
    int dacSupport = 0;                // ZQpro_IsSupportDynamicCode's answer
    std::vector<std::uint8_t> dacCard; // packed serial of the bound card; empty when unbound
    std::vector<ContainerRecord> containers;
};

std::string SerializeToken(const TokenRecord& token);
// False with a reason in *error when the text is not a complete token record.
bool ParseToken(const std::string& text, TokenRecord* token, std::string* error);

bool IsValidSerial(const std::string& serial);

} // namespace zqsim
