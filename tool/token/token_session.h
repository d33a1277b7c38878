// The one way to a token outside tool/token. A session holds, for its whole life, a lease on the
// vendor library, the lock bracket and a copy of the device name of the token it works on,
// taken when the user chose it: whatever happens to the tree or the token list while the
// session waits, it calls on that token and nothing else.
//
// The constructor waits for the bracket, serving messages sent to this thread's windows. It
// ends without one (held() false) when Keystead lets go of the library meanwhile; every call
// then answers kTokenNotReached without reaching the library.
#pragma once

#include "device_name.h"
#include "token_api.h"

#include <atomic>
#include <cstdint>
#include <memory>

class LibraryLease;
class TokenLockBracket;

class TokenSession {
  public:
    // For the scan, which names its tokens as it lists them. It also gives up once giveUp turns
    // non-zero while it waits.
    explicit TokenSession(const std::atomic<std::int32_t>& giveUp);
    explicit TokenSession(const DeviceName& device);
    // Closes the token if it is still open, then the bracket, then the lease.
    ~TokenSession();
    TokenSession(const TokenSession&) = delete;
    TokenSession& operator=(const TokenSession&) = delete;

    bool held() const;
    const DeviceName& device() const { return device_; }
    // Keystead is ending: a long task (the scan) stops at its next step.
    bool stopping() const;

    // The session's token, by the name copied at the start. Calls on a token that is not
    // open answer kTokenNotReached.
    std::int32_t Open();
    std::int32_t Close();
    std::int32_t ReadSerial(); // the serial itself is not kept
    std::int32_t IsDefaultPin();
    std::int32_t ChangeUserPin(const char* oldPin, const char* newPin);
    std::int32_t VerifyUserPin(const char* pin);
    std::int32_t PinAttemptsLeft();
    std::int32_t SupportsDynamicCode();
    std::int32_t InitDynamicCode(const unsigned char* serial, std::int32_t count);
    // Closes the token if it is open and ends the bracket before the session ends; the lease
    // stays, for what the library is told after the unlock.
    void EndBracket();
    // Tells the library to forget a verified PIN; allowed after EndBracket.
    void ClearPinFromMem();

  private:
    bool Reaches() const { return bracket_ && handle_ != 0; }

    DeviceName device_;
    std::unique_ptr<LibraryLease> lease_;
    std::unique_ptr<TokenLockBracket> bracket_;
    TokenHandle handle_ = 0;
};
