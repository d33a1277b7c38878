// The scan: every plugged-in token into the tree, with its containers and their certificates.
// It runs inside its caller's lock bracket and hands on what it finds as it goes.
#pragma once

#include "token_session.h"
#include "token_tree.h"

#include <cstdint>

class ScanListener {
  public:
    virtual ~ScanListener() = default;
    // A certificate just read from the token (the bank's root included), before the next read.
    virtual void OnCertificate(const char* containerName, const unsigned char* certificate,
                               std::int32_t length, std::uint8_t usage) = 0;
    // A token that opened and answered its serial query, closed again.
    virtual void OnTokenClosed(const DeviceName& deviceName) = 0;
    // The system refused a device its integrity label; the scan stops at once.
    virtual void OnLabelRefused() = 0;
};

// Fills the emptied tree, inside the session's bracket (a session that holds none reads
// nothing). containerName: the scan's container-name buffer. labelDevices: each listed device
// first gets the low integrity label (the Vista family). Stops early once Keystead is ending.
void ScanIntoTree(TokenSession& session, TokenTreeCtrl& tree,
                  char (&containerName)[kVendorTextBytes], bool labelDevices,
                  ScanListener& listener);
