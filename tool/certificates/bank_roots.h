// Which certificate from a token's root container may become a trusted root of the user's
// account, and the record of the roots Keystead added, which the uninstaller takes away again.
// A token someone hands over must not make the user trust whatever it carries.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

// Where the setup names the bank's roots (HKLM) and where Keystead records, per user, the roots
// it added (HKCU): one value a root, named by the SHA-1 thumbprint in upper-case hexadecimal.
constexpr char kBankRootsKey[] = "Software\\Keystead\\Roots";
constexpr char kAddedRootsKey[] = "Software\\Keystead\\AddedRoots";

// Issuer equal to subject, signed by its own key, and its basic constraints say CA.
bool IsSelfSignedCa(PCCERT_CONTEXT cert);

// 40 upper-case hexadecimal digits; empty when the system cannot say.
std::string Sha1Thumbprint(PCCERT_CONTEXT cert);

// True unless the machine names the bank's roots and this thumbprint is not among them.
bool MachineAllowsRoot(const std::string& thumbprint);

void RecordAddedRoot(const std::string& thumbprint);
