// What each plugged-in token says of itself, read for the support report inside the caller's
// bracket. Only questions are asked: nothing is written to a token, no PIN is involved.
#pragma once

#include "token_session.h"

#include <cstdint>
#include <string>
#include <vector>

struct CertificateOnToken {
    std::string container;
    std::uint8_t usage = 0; // 1: encryption, 0: signature (the root container's: 1)
    bool root = false;      // from the bank's root container
    std::vector<unsigned char> bytes;
};

struct TokenFacts {
    std::string label;      // as the tree shows it ("USB_Key_n")
    std::string deviceName; // as listed, up to its terminator
    // Passed over: the name did not fit, or failedFunction returned failedStatus.
    bool answered = false;
    const char* failedFunction = nullptr;
    std::int32_t failedStatus = 0;
    std::string serial; // the serial query's text, up to its terminator
    std::int32_t attemptsLeft = 0;
    std::int32_t defaultPin = 0;  // non-zero: still the factory PIN
    std::int32_t dynamicCode = 0; // ZQpro_IsSupportDynamicCode's answer
    std::vector<std::string> containers;
    std::vector<CertificateOnToken> certificates;
};

struct TokenReading {
    bool listed = false; // false: no bracket, or the device list could not be had
    std::vector<TokenFacts> tokens;
};

TokenReading ReadTokenFacts(TokenSession& session);

// The tree's label of the token at that place in the device list.
std::string TokenItemLabel(int position);
