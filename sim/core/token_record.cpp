#include "token_record.h"

#include "hex.h"

#include <sstream>

namespace zqsim {
namespace {

const char kMagic[] = "zqsim-token 1";

std::string BinField(const std::vector<std::uint8_t>& bytes) {
    return bytes.empty() ? std::string("-") : ToHex(bytes);
}

bool ParseBin(const std::string& value, std::vector<std::uint8_t>* out) {
    if (value == "-") {
        out->clear();
        return true;
    }
    return FromHex(value, out);
}

bool ParseInt(const std::string& value, int* out) {
    if (value.empty() || value.size() > 9)
        return false;
    std::size_t i = value[0] == '-' ? 1 : 0;
    if (i == value.size())
        return false;
    int result = 0;
    for (; i < value.size(); ++i) {
        if (value[i] < '0' || value[i] > '9')
            return false;
        result = result * 10 + (value[i] - '0');
    }
    *out = value[0] == '-' ? -result : result;
    return true;
}

bool ParseBool(const std::string& value, bool* out) {
    if (value != "0" && value != "1")
        return false;
    *out = value == "1";
    return true;
}

} // namespace

bool IsValidSerial(const std::string& serial) {
    // Far longer than a real serial, so that a caller's buffer for it can be put to the test.
    if (serial.empty() || serial.size() > 200)
        return false;
    for (char c : serial) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

std::string SerializeToken(const TokenRecord& t) {
    std::ostringstream out;
    out << kMagic << "\n";
    out << "serial " << t.serial << "\n";
    out << "device " << EscapeBytes(t.deviceName) << "\n";
    out << "slot " << t.slot << "\n";
    out << "plugged " << (t.plugged ? 1 : 0) << "\n";
    out << "user_pin_hash " << t.userPinHash << "\n";
    out << "default_pin_hash " << t.defaultPinHash << "\n";
    out << "pin_is_default " << (t.pinIsDefault ? 1 : 0) << "\n";
    out << "attempts " << t.attemptsLeft << "\n";
    out << "max_attempts " << t.maxAttempts << "\n";
    out << "so_pin_hash " << t.soPinHash << "\n";
    out << "so_attempts " << t.soAttemptsLeft << "\n";
    out << "dac_support " << t.dacSupport << "\n";
    out << "dac_card " << BinField(t.dacCard) << "\n";
    for (const ContainerRecord& c : t.containers) {
        out << "container " << EscapeBytes(c.name) << "\n";
        out << "sign_cert " << BinField(c.signCert) << "\n";
        out << "exch_cert " << BinField(c.exchCert) << "\n";
        out << "sign_key " << BinField(c.signKey) << "\n";
        out << "exch_key " << BinField(c.exchKey) << "\n";
    }
    out << "end\n";
    return out.str();
}

bool ParseToken(const std::string& text, TokenRecord* token, std::string* error) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kMagic) {
        *error = "not a token record";
        return false;
    }
    TokenRecord t;
    t.attemptsLeft = t.maxAttempts = -1;
    bool ended = false;
    int lineNo = 1;
    while (std::getline(in, line)) {
        ++lineNo;
        if (ended) {
            *error = "text after end";
            return false;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        std::size_t space = line.find(' ');
        if (space == std::string::npos) {
            *error = "line " + std::to_string(lineNo) + ": no value";
            return false;
        }
        std::string key = line.substr(0, space);
        std::string value = line.substr(space + 1);
        ContainerRecord* c = t.containers.empty() ? nullptr : &t.containers.back();
        bool ok = true;
        if (key == "serial") {
            t.serial = value;
            ok = IsValidSerial(value);
        } else if (key == "device") {
            ok = UnescapeBytes(value, &t.deviceName);
        } else if (key == "slot") {
            ok = ParseInt(value, &t.slot);
        } else if (key == "plugged") {
            ok = ParseBool(value, &t.plugged);
        } else if (key == "user_pin_hash") {
            t.userPinHash = value;
        } else if (key == "default_pin_hash") {
            t.defaultPinHash = value;
        } else if (key == "pin_is_default") {
            ok = ParseBool(value, &t.pinIsDefault);
        } else if (key == "attempts") {
            ok = ParseInt(value, &t.attemptsLeft);
        } else if (key == "max_attempts") {
            ok = ParseInt(value, &t.maxAttempts);
        } else if (key == "so_pin_hash") {
            t.soPinHash = value;
        } else if (key == "so_attempts") {
            ok = ParseInt(value, &t.soAttemptsLeft);
        } else if (key == "dac_support") {
            ok = ParseInt(value, &t.dacSupport);
        } else if (key == "dac_card") {
            ok = ParseBin(value, &t.dacCard);
        } else if (key == "container") {
            t.containers.emplace_back();
            ok = UnescapeBytes(value, &t.containers.back().name) &&
                 t.containers.back().name.size() <= 127;
        } else if (c && key == "sign_cert") {
            ok = ParseBin(value, &c->signCert);
        } else if (c && key == "exch_cert") {
            ok = ParseBin(value, &c->exchCert);
        } else if (c && key == "sign_key") {
            ok = ParseBin(value, &c->signKey);
        } else if (c && key == "exch_key") {
            ok = ParseBin(value, &c->exchKey);
        } else {
            ok = false;
        }
        if (!ok) {
            *error = "line " + std::to_string(lineNo) + ": bad " + key;
            return false;
        }
    }
    if (!ended) {
        *error = "record is cut short";
        return false;
    }
    if (t.serial.empty() || t.deviceName.empty() || t.attemptsLeft < 0 || t.maxAttempts < 0) {
        *error = "record lacks serial, device or attempts";
        return false;
    }
    *token = t;
    return true;
}

} // namespace zqsim
