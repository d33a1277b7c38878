// What the fault campaign checks from outside Keystead after every cell: the calls it made
// into the library, the exceptions Wine traced in its process and the user's "MY" store.
#pragma once

#include "cert_stores.h"
#include "sim_rig.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace fault_campaign {

struct CallFindings {
    std::string bracket; // "" when every thread closed every bracket it opened, in order
    std::string handles; // "" when every token opened was closed again by the same thread
    int calls = 0;
};

// Judges Keystead's side only: a bracket or a close counts as made whatever the library
// answered, since a failing LockUKey or ZQ_CloseDev is the library's fault, not Keystead's.
CallFindings CheckCalls(const std::vector<keystead_test::LogLine>& log);

// A file's bytes, "" when it cannot be read.
std::string ReadWhole(const std::string& path);
// Replaces a rig file in one rename: the library reads token files while Keystead runs.
bool WriteWhole(const std::string& path, const std::string& bytes);

// First-chance access violations Wine's exception trace (+pid,+seh) shows for this process.
int AccessViolations(const std::string& trace, DWORD pid);

// What is wrong with "MY", certificates compared byte for byte: an unrelated certificate gone
// or changed, or a certificate under the token's provider that no token holds (a garbled container
// name can rightly send the bank's root certificate there); with expected, also the tokens'
// certificates not there once each.
// "" when all is well.
std::string StoreFault(const std::vector<keystead_test::StoredCert>& my,
                       const std::vector<keystead_test::StoredCert>& unrelated,
                       const std::vector<std::string>& held,
                       const std::vector<std::string>* expected);

} // namespace fault_campaign
