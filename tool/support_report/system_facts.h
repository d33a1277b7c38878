// What the support report reads of the system beside the tokens: file versions, the provider's
// registration and the integrity label of a token's device object.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace support_report {

// "a.b.c.d" from the file's version block; empty when it has none.
std::string FileVersion(const std::string& path);
// This program's own file.
std::string OwnPath();

struct ProviderFacts {
    std::string name; // empty: no provider named "VELQ..." is entered
    // "Image Path", "Type", "SigInFile": the text of each, or empty when it is missing.
    std::vector<std::pair<std::string, std::string>> values;
    std::string imagePath; // the provider's file, resolved; empty when no image path is entered
};
ProviderFacts ReadProviderFacts();

// The mandatory label on a device object ("Low", "Medium", "High", "System", or the level in
// hexadecimal); empty when it has none. False, with the system's error, when it cannot be read.
bool DeviceIntegrityLabel(const std::string& device, std::string* label, DWORD* error);

} // namespace support_report
