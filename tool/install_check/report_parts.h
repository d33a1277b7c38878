// Pieces of the installation check report that need no platform: registry text read into a
// fixed buffer, the provider name test, and the path of the file test.
#pragma once

#include <cstddef>
#include <string>

namespace install_check {

// The text a registry value left in a zero-filled buffer of `size` bytes. A value that fills
// the buffer without a terminator is longer than the buffer can show, so it yields an empty text.
std::string TextInBuffer(const char* buffer, std::size_t size);

// The installation's provider is entered under a name beginning with "VELQ", in capitals.
bool IsVelqProviderName(const char* name);

// Writes "<directory>\<file>" into `path` (capacity bytes, terminator included). False, with
// an empty path, when it would not fit: no cut-off path may name some other file.
bool SystemFilePath(const char* directory, const char* file, char* path, std::size_t capacity);

} // namespace install_check
