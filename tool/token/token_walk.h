// One pass over every plugged-in token inside the caller's bracket: the device list, then each
// token that opens and answers its serial query, with its containers and their certificates.
// The scan fills the tree from it and the support report its facts; both read the same way.
#pragma once

#ifndef KEYSTEAD_TOKEN_LAYER
#error "tokens are walked only inside tool/token"
#endif

#include "device_list.h"
#include "token_session.h"

#include <cstdint>

class TokenWalk {
  public:
    TokenWalk(TokenSession& session, char (&containerName)[kVendorTextBytes])
        : session_(session), containerName_(containerName) {}
    TokenWalk(const TokenWalk&) = delete;
    TokenWalk& operator=(const TokenWalk&) = delete;

    // False when the session holds no bracket or the device list could not be had.
    bool Run();

  protected:
    virtual ~TokenWalk() = default;

    // Before a listed device is opened; false ends the walk there.
    virtual bool BeforeOpen(const token::ListedDevice&) { return true; }
    // The list held no device.
    virtual void OnNoTokens() {}
    // A device passed over: its name does not fit, or `function` failed with `status`.
    virtual void OnPassedOver(const token::ListedDevice&, const char*, std::int32_t) {}
    // A token that opened and answered; it stays open until OnTokenClosed.
    virtual void OnToken(const token::ListedDevice& device, TokenHandle handle,
                         const char (&serial)[kVendorTextBytes]) = 0;
    // A container of the current token. Returns the name its certificates are handed on under.
    virtual const char* OnContainer(const char* name, bool root) = 0;
    // A certificate just read, trimmed to its DER length (usage 1: encryption, 0: signature).
    virtual void OnCertificate(const char* container, const unsigned char* bytes,
                               std::int32_t length, std::uint8_t usage) = 0;
    virtual void OnContainerEnd() {}
    virtual void OnTokenClosed(const token::ListedDevice&) {}

  private:
    void ListContainers(TokenHandle handle);
    void ReadCertificate(TokenHandle handle, const CertRef& reference, const char* container,
                         std::uint8_t usage);

    TokenSession& session_;
    char (&containerName_)[kVendorTextBytes];
};
