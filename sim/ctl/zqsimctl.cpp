// zqsimctl: makes and changes the virtual tokens of a rig, sets faults, reads the call log and
// tells a running Keystead that a token came or went, as the real device would.
#include "cert_maker.h"
#include "core/faults.h"
#include "core/hex.h"
#include "core/rig.h"
#include "token/root_container.h"
#include "win/device_event.h"
#include "win/rig_locks.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zqsim;

namespace {

const char kFactoryPin[] = "12345678";

int Usage() {
    std::fprintf(stderr,
                 "usage: zqsimctl [--rig DIR] COMMAND ...\n"
                 "  create SERIAL [--device NAME] [--pin PIN] [--changed] [--attempts N]\n"
                 "         [--dac N] [--slot N] [--unplugged] [--bits N] [--pad BYTES] [--root]\n"
                 "         [--root-issued] (a CA root that names another issuer)\n"
                 "         [--expires DAYS] (the containers' certificates end then; < 0: ended)\n"
                 "         [--container NAME[:both|:sign|:exch|:none]]...\n"
                 "  list | plug SERIAL [--notify] | pull SERIAL [--notify] | remove SERIAL\n"
                 "  reset SERIAL | set SERIAL KEY=VALUE... (pin default attempts dac device\n"
                 "         slot card)\n"
                 "  add-cert SERIAL CONTAINER sign|exch FILE | export-cert SERIAL INDEX\n"
                 "         sign|exch FILE\n"
                 "  fault FUNCTION KEY=VALUE... | faults-clear | faults\n"
                 "  log [--clear]\n"
                 "  notify arrival|removal [--name TEXT] [--volume] [--null] [--timeout MS]\n"
                 "  hold-lock MS\n");
    return 2;
}

class RigFolderLock {
  public:
    explicit RigFolderLock(const std::string& rigDir) : lock_(FileLockName(rigDir)) {
        lock_.Lock();
    }
    ~RigFolderLock() { lock_.Unlock(); }

  private:
    NamedMutex lock_;
};

// Tells Keystead's main window, as the system would. Returns 0 when delivered.
int Notify(bool arrival, const std::string& name, bool volume, bool nullData, UINT timeoutMs) {
    HWND target = FindWindowA(nullptr, "Keystead");
    if (!target) {
        std::fprintf(stderr, "no window titled Keystead\n");
        return 1;
    }
    DWORD_PTR answer = 0;
    switch (SendDeviceEvent(target, arrival, name, volume, nullData, timeoutMs, &answer)) {
    case EventDelivery::kNoAnswer:
        std::fprintf(stderr, "Keystead does not answer\n");
        return 1;
    case EventDelivery::kHandled:
        std::printf("delivered, answer %lu\n", static_cast<unsigned long>(answer));
        return 0;
    case EventDelivery::kStillHandling:
        std::printf("delivered, still being handled\n");
        return 0;
    }
    return 1;
}

bool ParseIntArg(const char* text, int* out) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 0);
    if (!*text || *end)
        return false;
    *out = static_cast<int>(value);
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>* out) {
    std::string text;
    if (!ReadWholeFile(path, &text))
        return false;
    out->assign(text.begin(), text.end());
    return true;
}

// issuer: for the root container's certificate, another authority's name instead of its own.
bool AddGeneratedContainer(TokenRecord* token, const std::string& name, bool sign, bool exch,
                           bool ca, unsigned bits, unsigned pad,
                           const std::string& issuer = std::string(), int expiresInDays = 0) {
    ContainerRecord c;
    c.name = name;
    std::string error;
    KeyAndCert made;
    if (sign) {
        std::string subject =
            ca ? "Keystead Test Bank Root CA" : token->serial + " " + name + " signature";
        if (!MakeKeyAndCert(subject, AT_SIGNATURE, bits, ca, pad, &made, &error, issuer,
                            expiresInDays)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        c.signCert = made.certificate;
        c.signKey = made.privateKeyBlob;
    }
    if (exch) {
        if (!MakeKeyAndCert(token->serial + " " + name + " encryption", AT_KEYEXCHANGE, bits, false,
                            pad, &made, &error, std::string(), expiresInDays)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        c.exchCert = made.certificate;
        c.exchKey = made.privateKeyBlob;
    }
    token->containers.push_back(c);
    return true;
}

int Create(const Rig& rig, int argc, char** argv) {
    if (argc < 1 || !IsValidSerial(argv[0])) {
        std::fprintf(stderr, "create: a serial of letters, digits, '-' or '_' is needed\n");
        return 2;
    }
    TokenRecord t;
    t.serial = argv[0];
    t.deviceName = "\\\\.\\VELQUKEY_" + t.serial;
    std::string pin = kFactoryPin;
    int bits = 1024;
    int pad = 0, expires = 0;
    bool root = false, rootIssued = false;
    std::vector<std::string> containers;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--device" && hasValue) {
            t.deviceName = argv[++i];
        } else if (a == "--pin" && hasValue) {
            pin = argv[++i];
        } else if (a == "--changed") {
            t.pinIsDefault = false;
        } else if (a == "--attempts" && hasValue && ParseIntArg(argv[i + 1], &t.maxAttempts)) {
            ++i;
            t.attemptsLeft = t.maxAttempts;
        } else if (a == "--dac" && hasValue && ParseIntArg(argv[i + 1], &t.dacSupport)) {
            ++i;
        } else if (a == "--slot" && hasValue && ParseIntArg(argv[i + 1], &t.slot)) {
            ++i;
        } else if (a == "--bits" && hasValue && ParseIntArg(argv[i + 1], &bits)) {
            ++i;
        } else if (a == "--pad" && hasValue && ParseIntArg(argv[i + 1], &pad) && pad >= 0 &&
                   pad <= 1 << 20) {
            ++i;
        } else if (a == "--expires" && hasValue && ParseIntArg(argv[i + 1], &expires) &&
                   expires > -36500 && expires < 36500) {
            ++i;
        } else if (a == "--unplugged") {
            t.plugged = false;
        } else if (a == "--root") {
            root = true;
        } else if (a == "--root-issued") {
            root = true;
            rootIssued = true;
        } else if (a == "--container" && hasValue) {
            containers.push_back(argv[++i]);
        } else {
            std::fprintf(stderr, "create: cannot use '%s'\n", a.c_str());
            return 2;
        }
    }
    if (t.deviceName.empty() || pin.size() > 32) {
        std::fprintf(stderr, "create: empty device name or PIN over 32 bytes\n");
        return 2;
    }
    t.userPinHash = t.defaultPinHash = PinHash(pin);
    if (containers.empty())
        containers.push_back("KEYSTEAD-" + t.serial);
    for (const std::string& wanted : containers) {
        std::string name = wanted, kind = "both";
        std::size_t colon = wanted.rfind(':');
        if (colon != std::string::npos) {
            name = wanted.substr(0, colon);
            kind = wanted.substr(colon + 1);
        }
        if (name.empty() || name.size() > 127 ||
            (kind != "both" && kind != "sign" && kind != "exch" && kind != "none")) {
            std::fprintf(stderr, "create: bad container '%s'\n", wanted.c_str());
            return 2;
        }
        if (!AddGeneratedContainer(
                &t, name, kind == "both" || kind == "sign", kind == "both" || kind == "exch", false,
                static_cast<unsigned>(bits), static_cast<unsigned>(pad), std::string(), expires))
            return 1;
    }
    if (root && !AddGeneratedContainer(&t, kRootContainerName, true, false, true,
                                       static_cast<unsigned>(bits), 0,
                                       rootIssued ? "Keystead Test Issuing CA" : ""))
        return 1;
    std::error_code ec;
    fs::create_directories(rig.dir(), ec);
    RigFolderLock lock(rig.dir());
    if (!rig.Save(t)) {
        std::fprintf(stderr, "create: cannot write %s\n", rig.TokenPath(t.serial).c_str());
        return 1;
    }
    std::printf("%s\n", t.serial.c_str());
    return 0;
}

void List(const Rig& rig) {
    for (const TokenRecord& t : rig.LoadAll()) {
        std::printf("%s slot=%d plugged=%d device=%s default_pin=%d attempts=%d/%d dac=%d "
                    "card=%s containers=%zu\n",
                    t.serial.c_str(), t.slot, t.plugged ? 1 : 0, EscapeBytes(t.deviceName).c_str(),
                    t.pinIsDefault ? 1 : 0, t.attemptsLeft, t.maxAttempts, t.dacSupport,
                    t.dacCard.empty() ? "-" : ToHex(t.dacCard).c_str(), t.containers.size());
        for (const ContainerRecord& c : t.containers)
            std::printf("  container %s sign=%zu exch=%zu\n", EscapeBytes(c.name).c_str(),
                        c.signCert.size(), c.exchCert.size());
    }
}

// Loads a token, lets edit() change it and writes it back, all under the rig file lock.
template <typename Edit> int EditToken(const Rig& rig, const std::string& serial, Edit edit) {
    RigFolderLock lock(rig.dir());
    TokenRecord t;
    if (!rig.Load(serial, &t)) {
        std::fprintf(stderr, "no token %s in %s\n", serial.c_str(), rig.dir().c_str());
        return 1;
    }
    int rc = edit(t);
    if (rc != 0)
        return rc;
    if (!rig.Save(t)) {
        std::fprintf(stderr, "cannot write %s\n", rig.TokenPath(serial).c_str());
        return 1;
    }
    return 0;
}

int Set(TokenRecord& t, const std::string& assignment) {
    std::size_t eq = assignment.find('=');
    if (eq == std::string::npos)
        return 2;
    std::string key = assignment.substr(0, eq), value = assignment.substr(eq + 1);
    int n = 0;
    if (key == "pin" && value.size() <= 32) {
        t.userPinHash = PinHash(value);
    } else if (key == "default" && (value == "0" || value == "1")) {
        t.pinIsDefault = value == "1";
    } else if (key == "attempts" && ParseIntArg(value.c_str(), &n) && n >= 0) {
        t.attemptsLeft = n;
    } else if (key == "dac" && ParseIntArg(value.c_str(), &n)) {
        t.dacSupport = n;
    } else if (key == "device" && !value.empty()) {
        t.deviceName = value;
    } else if (key == "slot" && ParseIntArg(value.c_str(), &n)) {
        t.slot = n;
    } else if (key == "card" && (value == "-" || FromHex(value, &t.dacCard))) {
        if (value == "-")
            t.dacCard.clear();
    } else {
        std::fprintf(stderr, "set: cannot use '%s'\n", assignment.c_str());
        return 2;
    }
    return 0;
}

int AppendFault(const Rig& rig, int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i)
        line += std::string(i ? " " : "") + argv[i];
    std::vector<FaultRule> rules;
    std::string error, existing;
    if (!ParseFaultRules(line, &rules, &error) || rules.size() != 1) {
        std::fprintf(stderr, "fault: %s\n", error.empty() ? "one rule is needed" : error.c_str());
        return 2;
    }
    ReadWholeFile(rig.FaultsPath(), &existing);
    return ReplaceFileAtomically(rig.FaultsPath(), existing + FormatFaultRule(rules[0]) + "\n") ? 0
                                                                                                : 1;
}

int HoldLock(const Rig& rig, int ms) {
    NamedMutex lock(TokenLockName(rig.dir()));
    lock.Lock();
    std::printf("locked\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(ms));
    lock.Unlock();
    std::printf("unlocked\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int i = 1;
    std::string rigDir;
    if (i + 1 < argc && std::strcmp(argv[i], "--rig") == 0) {
        rigDir = argv[i + 1];
        i += 2;
    } else {
        rigDir = DefaultRigDir(nullptr);
    }
    if (i >= argc)
        return Usage();
    const Rig rig(rigDir);
    const std::string command = argv[i++];
    const int rest = argc - i;
    char** args = argv + i;
    const std::string serial = rest > 0 ? args[0] : "";
    const bool notify = rest > 1 && std::strcmp(args[1], "--notify") == 0;

    if (command == "create")
        return Create(rig, rest, args);
    if (command == "list") {
        List(rig);
        return 0;
    }
    if ((command == "plug" || command == "pull") && rest >= 1) {
        const bool plug = command == "plug";
        int rc = EditToken(rig, serial, [plug](TokenRecord& t) {
            t.plugged = plug;
            return 0;
        });
        if (rc == 0 && notify) {
            TokenRecord t;
            rig.Load(serial, &t);
            Notify(plug, TokenInterfaceName(t.serial), false, false, 2000);
        }
        return rc;
    }
    if (command == "remove" && rest == 1) {
        RigFolderLock lock(rig.dir());
        return rig.Remove(serial) ? 0 : 1;
    }
    if (command == "reset" && rest == 1) {
        return EditToken(rig, serial, [](TokenRecord& t) {
            t.userPinHash = t.defaultPinHash;
            t.pinIsDefault = true;
            t.attemptsLeft = t.maxAttempts;
            t.soAttemptsLeft = 10;
            t.dacCard.clear();
            t.plugged = true;
            return 0;
        });
    }
    if (command == "set" && rest >= 2) {
        return EditToken(rig, serial, [&](TokenRecord& t) {
            for (int k = 1; k < rest; ++k)
                if (int rc = Set(t, args[k]))
                    return rc;
            return 0;
        });
    }
    if (command == "add-cert" && rest == 4) {
        std::vector<std::uint8_t> der;
        const std::string kind = args[2];
        if ((kind != "sign" && kind != "exch") || !ReadFileBytes(args[3], &der) || der.empty()) {
            std::fprintf(stderr, "add-cert: need sign|exch and a readable, non-empty file\n");
            return 2;
        }
        const std::string container = args[1];
        return EditToken(rig, serial, [&](TokenRecord& t) {
            ContainerRecord* c = nullptr;
            for (ContainerRecord& each : t.containers)
                if (each.name == container)
                    c = &each;
            if (!c) {
                if (container.empty() || container.size() > 127)
                    return 2;
                t.containers.emplace_back();
                c = &t.containers.back();
                c->name = container;
            }
            (kind == "sign" ? c->signCert : c->exchCert) = der;
            return 0;
        });
    }
    if (command == "export-cert" && rest == 4) {
        TokenRecord t;
        int index = 0;
        if (!rig.Load(serial, &t) || !ParseIntArg(args[1], &index) || index < 0 ||
            static_cast<std::size_t>(index) >= t.containers.size())
            return 1;
        const auto& der = std::strcmp(args[2], "sign") == 0 ? t.containers[index].signCert
                                                            : t.containers[index].exchCert;
        return ReplaceFileAtomically(args[3], std::string(der.begin(), der.end())) ? 0 : 1;
    }
    if (command == "fault" && rest >= 1)
        return AppendFault(rig, rest, args);
    if (command == "faults-clear") {
        std::error_code ec;
        fs::remove(rig.FaultsPath(), ec);
        return 0;
    }
    if (command == "faults" || command == "log") {
        const bool clear = rest == 1 && std::strcmp(args[0], "--clear") == 0;
        const std::string path = command == "log" ? rig.LogPath() : rig.FaultsPath();
        if (clear) {
            std::error_code ec;
            fs::remove(path, ec);
            return 0;
        }
        std::string text;
        ReadWholeFile(path, &text);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == "notify" && rest >= 1) {
        const bool arrival = std::strcmp(args[0], "arrival") == 0;
        if (!arrival && std::strcmp(args[0], "removal") != 0)
            return Usage();
        std::string name = TokenInterfaceName("0001");
        bool volume = false, nullData = false;
        int timeout = 2000;
        for (int k = 1; k < rest; ++k) {
            std::string a = args[k];
            if (a == "--name" && k + 1 < rest)
                name = args[++k];
            else if (a == "--volume")
                volume = true;
            else if (a == "--null")
                nullData = true;
            else if (a == "--timeout" && k + 1 < rest && ParseIntArg(args[k + 1], &timeout))
                ++k;
            else
                return Usage();
        }
        return Notify(arrival, name, volume, nullData, static_cast<UINT>(timeout));
    }
    int ms = 0;
    if (command == "hold-lock" && rest == 1 && ParseIntArg(args[0], &ms))
        return HoldLock(rig, ms);
    return Usage();
}
