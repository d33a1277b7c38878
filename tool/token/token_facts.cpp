#include "token_facts.h"

#include "platform/format_text.h"
#include "token_walk.h"
#include "vendor_entries.h"

namespace {

class FactsWalk : public TokenWalk {
  public:
    FactsWalk(TokenSession& session, TokenReading& reading)
        : TokenWalk(session, containerName_), reading_(reading) {}

  private:
    TokenFacts& Add(const token::ListedDevice& device) {
        reading_.tokens.emplace_back();
        TokenFacts& facts = reading_.tokens.back();
        facts.label = TokenItemLabel(device.position);
        facts.deviceName.assign(device.name, device.length);
        return facts;
    }
    void OnPassedOver(const token::ListedDevice& device, const char* function,
                      std::int32_t status) override {
        TokenFacts& facts = Add(device);
        facts.failedFunction = function;
        facts.failedStatus = status;
    }
    void OnToken(const token::ListedDevice& device, TokenHandle handle,
                 const char (&serial)[kVendorTextBytes]) override {
        TokenFacts& facts = Add(device);
        facts.answered = true;
        facts.serial = serial; // terminated by the walk
        facts.attemptsLeft = g_tokenApi.ZQpro_GetPinTime(handle, 1, 0);
        facts.defaultPin = g_tokenApi.ZQ_IsDefaultPin(handle);
        facts.dynamicCode = g_tokenApi.ZQpro_IsSupportDynamicCode(handle);
    }
    const char* OnContainer(const char* name, bool root) override {
        root_ = root;
        reading_.tokens.back().containers.push_back(name);
        return reading_.tokens.back().containers.back().c_str();
    }
    void OnCertificate(const char* container, const unsigned char* bytes, std::int32_t length,
                       std::uint8_t usage) override {
        CertificateOnToken cert;
        cert.container = container;
        cert.usage = usage;
        cert.root = root_;
        cert.bytes.assign(bytes, bytes + length);
        reading_.tokens.back().certificates.push_back(cert);
    }

    TokenReading& reading_;
    char containerName_[kVendorTextBytes];
    bool root_ = false;
};

} // namespace

TokenReading ReadTokenFacts(TokenSession& session) {
    TokenReading reading;
    FactsWalk walk(session, reading);
    reading.listed = walk.Run();
    return reading;
}

std::string TokenItemLabel(int position) {
    char text[32];
    platform::FormatText(text, sizeof text, "USB_Key_%d", position);
    return text;
}
