// What a scan asks of a certificate store, made directly: the store side of the benchmarks'
// floors, done exactly as Keystead does it.
#pragma once

#include <windows.h>

#include <string>

namespace keystead_bench {

// Removes from the user's system store of that name every certificate whose key provider
// information names provider: found through the system store, removed through the user's own
// registry store behind it, committed.
void RemoveProviderCertificates(const char* store, const wchar_t* provider);
// Adds a certificate with key provider information, opening the store for it alone.
void AddWithProvider(const char* store, const unsigned char* der, DWORD length,
                     const wchar_t* provider, const wchar_t* container, DWORD keySpec);

} // namespace keystead_bench
