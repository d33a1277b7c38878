// The user's certificate stores, as Keystead uses them: owners that release what they hold.
#pragma once

#include "platform/owned_handle.h"

#include <windows.h>
#include <wincrypt.h>

// "VELQ Cryptographic Service Provider v2.0.0": the token's own provider, and the mark by which
// Keystead finds again what it registered.
extern const char kTokenProviderName[];
extern const char kRootProviderName[]; // "Microsoft Base Cryptographic Provider v1.0"

struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle None() { return nullptr; }
    static void Release(Handle store) { CertCloseStore(store, 0); }
};
using CertStore = platform::OwnedHandle<CertStoreTraits>;

// The current user's system store of that name.
class SystemStore : public CertStore {
  public:
    explicit SystemStore(const char* name) : CertStore(CertOpenSystemStoreA(0, name)) {}
};

struct CertContextTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle None() { return nullptr; }
    static void Release(Handle context) { CertFreeCertificateContext(context); }
};
using CertContext = platform::OwnedHandle<CertContextTraits>;

// Narrow ANSI text into a zero-filled buffer of 256 UTF-16 units; the fill is the terminator.
void ToWideName(const char* text, wchar_t (&wide)[256]);
