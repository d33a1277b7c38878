// The vendor lock bracket (LockUKey ... UnlockUKey), for tool/token alone: a TokenSession opens
// it. A bracket is held by one thread at a time and may be opened again by the thread that
// holds it.
//
// Threads of this process first meet at a process mutex, and only its holder calls LockUKey, so
// the vendor call itself never waits on another Keystead thread. While a thread waits for the
// mutex it keeps serving messages sent to its windows: a worker that holds the bracket may show
// a box owned by the main window, and that box needs the main window's thread to answer.
#pragma once

#ifndef KEYSTEAD_TOKEN_LAYER
#error "the lock bracket is opened only inside tool/token: use a TokenSession"
#endif

#include <atomic>
#include <cstdint>

class TokenLockBracket {
  public:
    // Gives up without the bracket (held() false) once Keystead has let go of the library.
    TokenLockBracket();
    // Gives up also once giveUp turns non-zero while it waits: the user-interface thread must
    // not sit behind a prompt that holds the bracket.
    explicit TokenLockBracket(const std::atomic<std::int32_t>& giveUp);
    ~TokenLockBracket();
    TokenLockBracket(const TokenLockBracket&) = delete;
    TokenLockBracket& operator=(const TokenLockBracket&) = delete;

    bool held() const { return held_; }

  private:
    bool held_ = false;
};
