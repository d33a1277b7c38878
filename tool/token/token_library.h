// The vendor token library's one owner. It loads and binds the library at start, and lets go of
// it when Keystead ends; the library is then freed once nothing can call into it any more.
//
// Whatever calls into the library holds a lease on it for as long as it may call (a
// TokenSession does so for its whole life). Once the owner lets go, no new lease is given, every
// wait for the lock bracket gives up, and the last lease to end frees the library.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TokenLibrary {
  public:
    TokenLibrary() = default;
    // Lets go, and waits a while for sessions still running on other threads to end.
    ~TokenLibrary();
    TokenLibrary(const TokenLibrary&) = delete;
    TokenLibrary& operator=(const TokenLibrary&) = delete;

    // "ZQCSP.dll" loaded and all 25 names bound; false leaves nothing loaded. Once per process.
    // The library holds the user's PINs, so it is taken by its full path from Keystead's own
    // folder, else from the system folder; never from the working folder or PATH, where anyone
    // could plant one.
    bool Bind();
    // Bound, and not yet let go of.
    bool usable() const;
    // From now on no new lease; freed at once when none is held, else when the last one ends.
    void LetGo();
    // Waits up to timeoutMs, serving messages sent to this thread's windows, until no lease is
    // held; true once none is.
    bool WaitUntilUnused(DWORD timeoutMs);
    // The full path the bound library was loaded from; empty when none is loaded.
    std::string LoadedPath() const;
};

// Which of the 25 entry points the library at that path lacks, in binding order; loads it for
// the question and frees it again. False when it does not load at all.
bool MissingVendorFunctions(const std::string& path, std::vector<std::string>* missing);
