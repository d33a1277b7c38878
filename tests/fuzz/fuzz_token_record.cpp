// A rig file's token record as any text: parsing never fails badly, and whatever parses comes
// back the same through SerializeToken and ParseToken.
#include "core/token_record.h"
#include "fuzz_input.h"

namespace {

bool SameContainer(const zqsim::ContainerRecord& a, const zqsim::ContainerRecord& b) {
    return a.name == b.name && a.signCert == b.signCert && a.exchCert == b.exchCert &&
           a.signKey == b.signKey && a.exchKey == b.exchKey;
}

bool SameToken(const zqsim::TokenRecord& a, const zqsim::TokenRecord& b) {
    if (a.containers.size() != b.containers.size())
        return false;
    for (std::size_t i = 0; i < a.containers.size(); ++i)
        if (!SameContainer(a.containers[i], b.containers[i]))
            return false;
    return a.serial == b.serial && a.deviceName == b.deviceName && a.slot == b.slot &&
           a.plugged == b.plugged && a.userPinHash == b.userPinHash &&
           a.defaultPinHash == b.defaultPinHash && a.pinIsDefault == b.pinIsDefault &&
           a.attemptsLeft == b.attemptsLeft && a.maxAttempts == b.maxAttempts &&
           a.soPinHash == b.soPinHash && a.soAttemptsLeft == b.soAttemptsLeft &&
           a.dacSupport == b.dacSupport && a.dacCard == b.dacCard;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string text = in.Rest();
    zqsim::TokenRecord token;
    std::string error;
    if (!zqsim::ParseToken(text, &token, &error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(zqsim::IsValidSerial(token.serial));
    FUZZ_CHECK(!token.deviceName.empty());
    for (const zqsim::ContainerRecord& c : token.containers)
        FUZZ_CHECK(c.name.size() <= 127);

    const std::string serialized = zqsim::SerializeToken(token);
    zqsim::TokenRecord again;
    FUZZ_CHECK(zqsim::ParseToken(serialized, &again, &error));
    FUZZ_CHECK(SameToken(token, again));
    FUZZ_CHECK(zqsim::SerializeToken(again) == serialized);
    return 0;
}
