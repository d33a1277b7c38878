// The one owner of the vendor lock bracket (LockUKey ... UnlockUKey). A bracket is held by one
// thread at a time and may be opened again by the thread that holds it.
//
// Threads of this process first meet at a process mutex, and only its holder calls LockUKey, so
// the vendor call itself never waits on another Keystead thread. While a thread waits for the
// mutex it keeps serving messages sent to its windows: a worker that holds the bracket may show
// a box owned by the main window, and that box needs the main window's thread to answer.
#pragma once

class TokenLockBracket {
  public:
    TokenLockBracket();
    ~TokenLockBracket();
    TokenLockBracket(const TokenLockBracket&) = delete;
    TokenLockBracket& operator=(const TokenLockBracket&) = delete;
};
