// How long the certificate in a buffer really is. The buffer's size comes from the library,
// which may report more than it writes; a DER element states its own length. Platform-free.
#pragma once

#include <cstddef>

namespace token {

// The length of the complete definite-length DER element that begins the bytes (tag, length
// octets and contents), or 0 when the bytes do not begin with one that fits in size.
std::size_t DerElementLength(const unsigned char* bytes, std::size_t size);

} // namespace token
