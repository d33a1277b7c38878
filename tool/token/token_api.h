// What the vendor token library "ZQCSP.dll" hands back and forth: the token handle, the records
// ContainerInfo and CertRef, and the statuses Keystead tells apart. Its entry points themselves
// are reached only inside tool/token (vendor_entries.h), through a TokenSession or the scan.
#pragma once

#include <cstddef>
#include <cstdint>

typedef std::uint32_t TokenHandle; // opaque; 0 means "not open"

// Identifies one certificate on the token; only the library knows what the bytes mean.
struct CertRef {
    unsigned char id[128];
    std::int32_t idLength;
    std::uint32_t reserved;
};
static_assert(sizeof(CertRef) == 136, "CertRef is 136 bytes on the token's side");

// One key container as ZQ_TokenListContainer describes it.
struct ContainerInfo {
    CertRef signature; // CertRef A; for the bank root container its only certificate
    unsigned char reserved1[272];
    CertRef encryption; // CertRef B
    unsigned char reserved2[276];
};
static_assert(sizeof(ContainerInfo) == 820, "ContainerInfo is 820 bytes on the token's side");
static_assert(offsetof(ContainerInfo, encryption) == 408, "CertRef B sits at offset 408");

// What an output the library fills without being told its size is read into: a zeroed buffer
// of this many bytes, whatever the answer is meant to hold (a serial number, a container name).
constexpr std::size_t kVendorTextBytes = 256;

// Statuses Keystead tells apart; everything else is a failure.
constexpr std::int32_t kTokenOk = 0;
constexpr std::int32_t kTokenNoMoreContainers = 3;
constexpr std::int32_t kTokenSwSuccess = 0x9000;
constexpr std::int32_t kTokenSwAlreadyBound = 0x6A89;
// Keystead's own, never the library's: the call was not made, because the session holds no
// bracket (Keystead is ending and has let go of the library).
constexpr std::int32_t kTokenNotReached = -0x4B53;
