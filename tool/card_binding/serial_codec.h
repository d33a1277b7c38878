// The dynamic authentication card's serial: 16 hexadecimal digits typed in four groups of
// four, twice. Checked group by group, then packed two characters to a byte.
#pragma once

#include <string>

namespace card {

constexpr int kGroupChars = 4;
constexpr int kGroupsPerEntry = 4;
constexpr int kSerialChars = kGroupChars * kGroupsPerEntry; // 16
constexpr int kPackedSerialBytes = kSerialChars / 2;        // 8

// Results of ValidateSerial; 79 and 80 are also the numbers of the texts that say so.
constexpr int kSerialAccepted = 0;
constexpr int kSerialIncomplete = 79;
constexpr int kSerialIllegal = 80;

// The eight groups in the order the user meets them: the serial's four, then the
// confirmation's four. Every emptiness test comes before every length and character test.
int ValidateSerial(const std::string* const (&groups)[2 * kGroupsPerEntry]);

// Packs length characters of text, high half first, into length / 2 bytes of destination;
// a character that is no hexadecimal digit counts as 0x5A. 0, with nothing written, for an
// odd length or none.
int PackSerial(const char* text, int length, unsigned char* destination);

} // namespace card
