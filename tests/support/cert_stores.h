// Reads and prepares the current user's certificate stores, from the test's own process.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <map>
#include <string>
#include <vector>

namespace keystead_test {

struct StoredCert {
    std::string der;
    bool hasKeyInfo = false;
    std::wstring container;
    std::wstring provider;
    DWORD provType = 0;
    DWORD keySpec = 0;
};

// Keyed by the certificate's encoded bytes.
std::map<std::string, StoredCert> ReadStore(const char* name);
void EmptyStore(const char* name);
// Removes every copy of that certificate from the store.
void RemoveFromStore(const char* name, const std::string& der);
// The SHA-1 thumbprint, 40 upper-case hexadecimal digits.
std::string Thumbprint(const std::string& der);
// Adds a certificate, with key provider information when provider is not null.
bool AddToStore(const char* name, const std::string& der, const wchar_t* provider = nullptr,
                const wchar_t* container = L"somewhere", DWORD keySpec = AT_SIGNATURE);
// All of a store's certificates, copies included, in its order.
std::vector<StoredCert> ListStore(const char* name);
// The CA certificates Debian ships, as DER.
std::vector<std::string> DebianCaCertificates();
std::string ReadFileBytes(const std::string& path);

// The machine's list of bank roots (HKLM\Software\Keystead\Roots, as the setup writes it),
// naming these thumbprints while the object lives; no thumbprints: a list that is there but
// empty. Whatever list was there is gone before and after.
class BankRootList {
  public:
    explicit BankRootList(const std::vector<std::string>& thumbprints);
    ~BankRootList();
    BankRootList(const BankRootList&) = delete;
    BankRootList& operator=(const BankRootList&) = delete;
};
// Opens .cer files, for this user, with a command line (View Cert hands its file to the shell);
// ForgetCer undoes it.
void AssociateCer(const std::string& command);
void ForgetCer();

} // namespace keystead_test
