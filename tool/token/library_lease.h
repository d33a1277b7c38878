// A lease on the vendor library (see TokenLibrary): while it is held the library stays loaded.
// For tool/token alone.
#pragma once

#ifndef KEYSTEAD_TOKEN_LAYER
#error "leases on the vendor library are taken only inside tool/token: use a TokenSession"
#endif

#include <windows.h>

class LibraryLease {
  public:
    LibraryLease();
    ~LibraryLease();
    LibraryLease(const LibraryLease&) = delete;
    LibraryLease& operator=(const LibraryLease&) = delete;

    // False when the library is not bound or already let go of: nothing may be called.
    bool held() const { return held_; }

  private:
    bool held_;
};

// Signalled once the owner has let go of the library: waits for the bracket give up then.
HANDLE LibraryLetGoEvent();
