// The user's certificate stores, as Keystead uses them: owners that release what they hold.
#pragma once

#include <windows.h>
#include <wincrypt.h>

// "VELQ Cryptographic Service Provider v2.0.0": the token's own provider, and the mark by which
// Keystead finds again what it registered.
extern const char kTokenProviderName[];
extern const char kRootProviderName[]; // "Microsoft Base Cryptographic Provider v1.0"

class SystemStore {
  public:
    explicit SystemStore(const char* name) : store_(CertOpenSystemStoreA(0, name)) {}
    ~SystemStore() {
        if (store_)
            CertCloseStore(store_, 0);
    }
    SystemStore(const SystemStore&) = delete;
    SystemStore& operator=(const SystemStore&) = delete;
    HCERTSTORE get() const { return store_; }

  private:
    HCERTSTORE store_;
};

class CertContext {
  public:
    explicit CertContext(PCCERT_CONTEXT context) : context_(context) {}
    ~CertContext() {
        if (context_)
            CertFreeCertificateContext(context_);
    }
    CertContext(const CertContext&) = delete;
    CertContext& operator=(const CertContext&) = delete;
    PCCERT_CONTEXT get() const { return context_; }

  private:
    PCCERT_CONTEXT context_;
};

// Narrow ANSI text into a zero-filled buffer of 256 UTF-16 units; the fill is the terminator.
void ToWideName(const char* text, wchar_t (&wide)[256]);
