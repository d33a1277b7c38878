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

// Why a certificate from a token's root container is or is not made a root. Only the bank's word,
// the machine's list, makes one: a token someone hands over, or a package built without the
// bank's roots, must not make the user trust whatever CA the token carries.
enum RootTrust : int {
    kRootNotSelfSignedCa = 0,
    kRootNoBankList = 1, // the machine names no bank roots
    kRootNotOnBankList = 2,
    kRootOnBankList = 3, // the only answer that makes it a root
};

RootTrust JudgeTokenRoot(PCCERT_CONTEXT cert, const std::string& thumbprint);

void RecordAddedRoot(const std::string& thumbprint);
