// Status words the simulated token library answers with. The token speaks ISO 7816-4, so the
// failures reuse its status words; success is 0 except where the library reports 0x9000.
#pragma once

#include <cstdint>

namespace zqsim {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kNoMoreContainers = 3;
constexpr std::int32_t kSwSuccess = 0x9000;
constexpr std::int32_t kSwAlreadyBound = 0x6A89;

constexpr std::int32_t kSwWrongLength = 0x6700;    // output buffer too small
constexpr std::int32_t kSwBadArgument = 0x6A80;    // null or malformed argument
constexpr std::int32_t kSwNotSupported = 0x6A81;   // function not supported by this token
constexpr std::int32_t kSwNotFound = 0x6A82;       // no such device, container or certificate
constexpr std::int32_t kSwNotVerified = 0x6982;    // security status not satisfied
constexpr std::int32_t kSwPinLocked = 0x6983;      // authentication method blocked
constexpr std::int32_t kSwWrongPinBase = 0x63C0;   // 0x63Cn: wrong PIN, n attempts left
constexpr std::int32_t kSwBadHandle = 0x6B00;      // handle not open in this process
constexpr std::int32_t kSwDeviceGone = 0x6F01;     // token pulled out
constexpr std::int32_t kSwNotLocked = 0x6985;      // UnlockUKey without LockUKey
constexpr std::int32_t kSwStorageFailure = 0x6581; // token state could not be written

} // namespace zqsim
