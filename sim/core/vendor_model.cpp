#include "vendor_model.h"

#include "sim_status.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace zqsim {
namespace {

constexpr std::int32_t kMaxPinLength = 32;
constexpr std::int32_t kMaxDacSerial = 64;
// Fills the parts of the container record that callers are not meant to read, so that a reader
// who does read them sees noise rather than zeros.
constexpr unsigned char kFiller = 0xA5;

std::string CertId(std::size_t container, bool signature) {
    return "C" + std::to_string(container) + (signature ? "S" : "E");
}

bool ParseCertId(const unsigned char* id, std::int32_t length, std::size_t* container,
                 bool* signature) {
    if (!id || length < 3 || length > static_cast<std::int32_t>(kCertIdSize) || id[0] != 'C')
        return false;
    std::size_t index = 0;
    std::int32_t i = 1;
    for (; i < length - 1; ++i) {
        if (id[i] < '0' || id[i] > '9' || i > 6)
            return false;
        index = index * 10 + (id[i] - '0');
    }
    if (id[i] != 'S' && id[i] != 'E')
        return false;
    *container = index;
    *signature = id[i] == 'S';
    return true;
}

void PutCertRef(unsigned char* ref, const std::string& id) {
    std::memset(ref, 0, kCertIdSize);
    std::memcpy(ref, id.data(), id.size());
    std::uint32_t length = static_cast<std::uint32_t>(id.size());
    std::memcpy(ref + kCertIdSize, &length, 4);
    std::memset(ref + kCertIdSize + 4, kFiller, 4);
}

bool ValidPinArg(const char* pin, std::int32_t length) {
    return pin && length >= 0 && length <= kMaxPinLength;
}

bool SamePin(const std::string& storedHash, const char* given, std::int32_t length) {
    return storedHash == PinHash(given, static_cast<std::size_t>(length));
}

// The security officer's PIN against the token's; a wrong one uses up an attempt. *save is
// set whenever the token changed.
std::int32_t CheckSoPin(TokenRecord& t, const char* pin, std::int32_t length, bool* save) {
    if (t.soAttemptsLeft <= 0)
        return kSwPinLocked;
    *save = true;
    if (!SamePin(t.soPinHash, pin, length)) {
        --t.soAttemptsLeft;
        return t.soAttemptsLeft == 0 ? kSwPinLocked : (kSwWrongPinBase | t.soAttemptsLeft);
    }
    t.soAttemptsLeft = 10;
    return kOk;
}

// The certificate an identifier names on a token; null, with *status set, when the identifier
// is malformed or names no certificate.
const std::vector<std::uint8_t>* CertNamed(const TokenRecord& t, const unsigned char* id,
                                           std::int32_t idLength, std::int32_t* status) {
    std::size_t index = 0;
    bool signature = false;
    if (!ParseCertId(id, idLength, &index, &signature)) {
        *status = kSwBadArgument;
        return nullptr;
    }
    if (index >= t.containers.size()) {
        *status = kSwNotFound;
        return nullptr;
    }
    const auto& cert = signature ? t.containers[index].signCert : t.containers[index].exchCert;
    if (cert.empty()) {
        *status = kSwNotFound;
        return nullptr;
    }
    return &cert;
}

} // namespace

VendorModel::VendorModel(Rig rig, RigFileLock* fileLock)
    : rig_(std::move(rig)), fileLock_(fileLock) {}

int VendorModel::OpenHandles() const {
    std::lock_guard<StateLock> guard(mutex_);
    return static_cast<int>(sessions_.size());
}

bool VendorModel::BeginCall(const char* function, std::uint32_t handle, const char* deviceName,
                            FaultRule* shape, std::int32_t* status) {
    FaultRule rule;
    bool found = false;
    {
        // The rules are read again only when the faults file has changed.
        const FileStamp stamp = StampOf(rig_.FaultsPath());
        std::lock_guard<StateLock> guard(mutex_);
        if (stamp != faultStamp_) {
            faultStamp_ = stamp;
            std::string text;
            if (!stamp.exists || !ReadWholeFile(rig_.FaultsPath(), &text))
                text.clear();
            if (text != faultText_) {
                std::vector<FaultRule> parsed;
                std::string error;
                if (!ParseFaultRules(text, &parsed, &error))
                    parsed.clear();
                faults_.swap(parsed);
                faultText_ = text;
                callCounts_.clear();
            }
        }
        const std::thread::id self = std::this_thread::get_id();
        if (!mainThreadKnown_) {
            mainThread_ = self;
            mainThreadKnown_ = true;
        }
        const bool onMain = self == mainThread_;
        const int index = ++callCounts_[function];
        const int ofThreads =
            ++callCounts_[std::string(function) + (onMain ? "@main" : "@workers")];
        for (const FaultRule& r : faults_) {
            const bool threadFits =
                r.threads == FaultThreads::kAll || (r.threads == FaultThreads::kMain) == onMain;
            if (r.function == function && threadFits &&
                r.AppliesTo(r.threads == FaultThreads::kAll ? index : ofThreads)) {
                rule = r;
                found = true;
                break;
            }
        }
    }
    if (shape)
        *shape = found ? rule : FaultRule();
    if (!found)
        return false;
    if (rule.delayMs > 0 && rule.serve && servingPause_)
        servingPause_(rule.delayMs);
    else if (rule.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(rule.delayMs));
    if (rule.pull) {
        std::string serial;
        {
            std::lock_guard<StateLock> guard(mutex_);
            auto it = sessions_.find(handle);
            if (it != sessions_.end())
                serial = it->second.serial;
        }
        // A call that names no token (listing, locking) loses the first plugged one.
        for (const TokenRecord& t : serial.empty() ? rig_.LoadAll() : std::vector<TokenRecord>()) {
            if (deviceName ? t.deviceName == deviceName : t.plugged) {
                serial = t.serial;
                break;
            }
        }
        if (!serial.empty())
            PullToken(serial);
    }
    if (rule.hasStatus) {
        *status = rule.status;
        return true;
    }
    return false;
}

void VendorModel::PullToken(const std::string& serial) {
    FileLockScope lock(fileLock_);
    TokenRecord t;
    if (rig_.Load(serial, &t) && t.plugged) {
        t.plugged = false;
        rig_.Save(t);
    }
}

bool VendorModel::EnterOnToken(const char* function, std::uint32_t handle, FaultRule* shape,
                               Session* session, TokenRecord* token, std::int32_t* status) {
    return !BeginCall(function, handle, nullptr, shape, status) &&
           SessionToken(handle, session, token, status);
}

bool VendorModel::SessionToken(std::uint32_t handle, Session* session, TokenRecord* token,
                               std::int32_t* status) {
    {
        std::lock_guard<StateLock> guard(mutex_);
        auto it = sessions_.find(handle);
        if (it == sessions_.end()) {
            *status = kSwBadHandle;
            return false;
        }
        *session = it->second;
    }
    if (!rig_.Load(session->serial, token) || !token->plugged) {
        *status = kSwDeviceGone;
        return false;
    }
    return true;
}

template <typename Change>
std::int32_t VendorModel::UpdateToken(std::uint32_t handle, Change change) {
    FileLockScope lock(fileLock_);
    Session session;
    TokenRecord token;
    std::int32_t status = kOk;
    if (!SessionToken(handle, &session, &token, &status))
        return status;
    bool save = false;
    status = change(token, session, &save);
    if (save && !rig_.Save(token))
        return kSwStorageFailure;
    std::lock_guard<StateLock> guard(mutex_);
    auto it = sessions_.find(handle);
    if (it != sessions_.end()) {
        it->second.userVerified = session.userVerified;
        it->second.soVerified = session.soVerified;
        it->second.cursor = session.cursor;
    }
    return status;
}

std::int32_t VendorModel::CheckUserPin(TokenRecord& token, const char* pin, std::int32_t length,
                                       bool* matched) {
    *matched = false;
    if (token.attemptsLeft <= 0)
        return kSwPinLocked;
    if (SamePin(token.userPinHash, pin, length)) {
        token.attemptsLeft = token.maxAttempts;
        *matched = true;
        return kOk;
    }
    --token.attemptsLeft;
    return token.attemptsLeft == 0 ? kSwPinLocked : (kSwWrongPinBase | token.attemptsLeft);
}

std::int32_t VendorModel::OpenDev(const char* name, std::int32_t length, std::uint32_t* handle) {
    std::int32_t status = kOk;
    if (!name || !handle || length < 0)
        return kSwBadArgument;
    std::string wanted(name, static_cast<std::size_t>(length));
    if (BeginCall("ZQ_OpenDev", 0, wanted.c_str(), nullptr, &status))
        return status;
    for (const TokenRecord& t : rig_.LoadAll()) {
        if (t.plugged && t.deviceName == wanted) {
            std::lock_guard<StateLock> guard(mutex_);
            std::uint32_t h = nextHandle_++;
            sessions_[h].serial = t.serial;
            *handle = h;
            return kOk;
        }
    }
    return kSwNotFound;
}

std::int32_t VendorModel::CloseDev(std::uint32_t handle) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_CloseDev", handle, nullptr, nullptr, &status))
        return status;
    std::string serial;
    {
        std::lock_guard<StateLock> guard(mutex_);
        auto it = sessions_.find(handle);
        if (it == sessions_.end())
            return kSwBadHandle;
        serial = it->second.serial;
        sessions_.erase(it);
    }
    TokenRecord t;
    return rig_.Load(serial, &t) && t.plugged ? kOk : kSwDeviceGone;
}

std::int32_t VendorModel::ListAllDev(char* buffer, std::uint32_t* size, std::uint32_t* count) {
    std::int32_t status = kOk;
    FaultRule shape;
    if (BeginCall("ZQ_ListAllDev", 0, nullptr, &shape, &status))
        return status;
    if (!size || !count)
        return kSwBadArgument;
    std::string names;
    std::uint32_t n = 0;
    if (shape.longName > 0) {
        std::string longName = "\\\\.\\VELQ_LONG_";
        longName.resize(static_cast<std::size_t>(shape.longName), 'L');
        names.append(longName).push_back('\0');
        ++n;
    }
    for (const TokenRecord& t : rig_.LoadAll()) {
        if (!t.plugged)
            continue;
        names.append(t.deviceName).push_back('\0');
        ++n;
    }
    if (shape.unterminated && !names.empty())
        names.pop_back();
    if (shape.hasCount)
        n = shape.count;
    const std::uint32_t needed = static_cast<std::uint32_t>(names.size());
    if (buffer) {
        if (*size < needed) {
            *size = needed;
            return kSwWrongLength;
        }
        std::memcpy(buffer, names.data(), names.size());
    }
    *size = needed;
    *count = n;
    return kOk;
}

std::int32_t VendorModel::TokenListContainer(std::uint32_t handle, std::int32_t first, char* name,
                                             unsigned char* info) {
    std::int32_t status = kOk;
    FaultRule shape;
    if (BeginCall("ZQ_TokenListContainer", handle, nullptr, &shape, &status))
        return status;
    if (!name || !info)
        return kSwBadArgument;
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool*) -> std::int32_t {
        if (first)
            s.cursor = 0;
        if (s.cursor >= t.containers.size())
            return kNoMoreContainers;
        const std::size_t index = s.cursor++;
        const ContainerRecord& c = t.containers[index];
        std::memset(name, 0, kContainerNameSize);
        if (shape.unterminated) {
            std::string filled = c.name;
            filled.resize(kContainerNameSize, 'X');
            std::memcpy(name, filled.data(), kContainerNameSize);
        } else {
            std::memcpy(name, c.name.data(), std::min(c.name.size(), kContainerNameSize - 1));
        }
        std::memset(info, kFiller, kContainerInfoSize);
        PutCertRef(info + kCertRefA, CertId(index, true));
        PutCertRef(info + kCertRefB, CertId(index, false));
        if (shape.hasRefLength) {
            std::memcpy(info + kCertRefA + kCertIdSize, &shape.refLength, 4);
            std::memcpy(info + kCertRefB + kCertIdSize, &shape.refLength, 4);
        }
        return kOk;
    });
}

std::int32_t VendorModel::GetSn(std::uint32_t handle, char* serial) {
    std::int32_t status = kOk;
    Session s;
    TokenRecord t;
    if (!EnterOnToken("ZQPro_GetSn", handle, nullptr, &s, &t, &status))
        return status;
    if (!serial)
        return kSwBadArgument;
    // As the call takes no size, the library writes the serial whole: the caller's buffer must
    // hold whatever serial a token has.
    std::memcpy(serial, t.serial.c_str(), t.serial.size() + 1);
    return kSwSuccess;
}

std::int32_t VendorModel::TokenGetCertSize(std::uint32_t handle, const unsigned char* id,
                                           std::int32_t idLength, std::uint32_t* size) {
    std::int32_t status = kOk;
    FaultRule shape;
    Session s;
    TokenRecord t;
    if (!EnterOnToken("ZQ_TokenGetCertSize", handle, &shape, &s, &t, &status))
        return status;
    if (!size)
        return kSwBadArgument;
    const std::vector<std::uint8_t>* cert = CertNamed(t, id, idLength, &status);
    if (!cert)
        return status;
    *size = shape.hasSize ? shape.size : static_cast<std::uint32_t>(cert->size());
    return kOk;
}

std::int32_t VendorModel::TokenGetCert(std::uint32_t handle, const unsigned char* id,
                                       std::int32_t idLength, unsigned char* buffer,
                                       std::uint32_t size) {
    std::int32_t status = kOk;
    Session s;
    TokenRecord t;
    if (!EnterOnToken("ZQ_TokenGetCert", handle, nullptr, &s, &t, &status))
        return status;
    if (!buffer)
        return kSwBadArgument;
    const std::vector<std::uint8_t>* cert = CertNamed(t, id, idLength, &status);
    if (!cert)
        return status;
    if (size < cert->size())
        return kSwWrongLength;
    std::memcpy(buffer, cert->data(), cert->size());
    return kOk;
}

std::int32_t VendorModel::ChangePinM1(std::uint32_t handle, const char* oldPin,
                                      std::int32_t oldLength, const char* newPin,
                                      std::int32_t newLength) {
    std::int32_t status = kOk;
    if (BeginCall("ZQM1_ChangePIN", handle, nullptr, nullptr, &status))
        return status;
    // The older change command of the same token: same effect as ZQ_ToKenChangeUser, but
    // counted and faulted under its own name.
    return ChangeUserPin(handle, oldPin, oldLength, newPin, newLength);
}

std::int32_t VendorModel::GetPinTime(std::uint32_t handle, std::int32_t pinType,
                                     std::int32_t reserved) {
    std::int32_t status = kOk;
    if (BeginCall("ZQpro_GetPinTime", handle, nullptr, nullptr, &status))
        return status;
    (void)reserved;
    Session s;
    TokenRecord t;
    if (!SessionToken(handle, &s, &t, &status))
        return status;
    if (pinType == 1)
        return t.attemptsLeft;
    if (pinType == 0)
        return t.soAttemptsLeft;
    return kSwBadArgument;
}

std::int32_t VendorModel::ReloadPin(std::uint32_t handle, const char* soPin, std::int32_t soLength,
                                    const char* newPin, std::int32_t newLength) {
    std::int32_t status = kOk;
    if (BeginCall("ZQpro_ReloadPin", handle, nullptr, nullptr, &status))
        return status;
    if (!ValidPinArg(soPin, soLength) || !ValidPinArg(newPin, newLength) || newLength == 0)
        return kSwBadArgument;
    // Unblocks the user PIN with the security officer's PIN.
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        const std::int32_t checked = CheckSoPin(t, soPin, soLength, save);
        if (checked != kOk)
            return checked;
        t.userPinHash = PinHash(newPin, static_cast<std::size_t>(newLength));
        t.pinIsDefault = false;
        t.attemptsLeft = t.maxAttempts;
        s.soVerified = true;
        return kOk;
    });
}

std::int32_t VendorModel::ClearPinFromMem(std::int32_t a, std::int32_t b) {
    std::int32_t status = kOk;
    if (BeginCall("ClearPinFromMem", 0, nullptr, nullptr, &status))
        return status;
    (void)a;
    (void)b;
    std::lock_guard<StateLock> guard(mutex_);
    for (auto& entry : sessions_) {
        entry.second.userVerified = false;
        entry.second.soVerified = false;
    }
    return kOk;
}

std::int32_t VendorModel::TokenCreateCon(std::uint32_t handle, const char* name,
                                         std::int32_t length) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_TokenCreateCon", handle, nullptr, nullptr, &status))
        return status;
    if (!name || length <= 0 || length >= static_cast<std::int32_t>(kContainerNameSize))
        return kSwBadArgument;
    std::string wanted(name, static_cast<std::size_t>(length));
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        if (!s.userVerified)
            return kSwNotVerified;
        for (const ContainerRecord& c : t.containers)
            if (c.name == wanted)
                return kOk;
        t.containers.emplace_back();
        t.containers.back().name = wanted;
        *save = true;
        return kOk;
    });
}

namespace {

ContainerRecord* FindContainer(TokenRecord& t, const char* name) {
    for (ContainerRecord& c : t.containers)
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace

std::int32_t VendorModel::TokenImportRsaKeyObj(std::uint32_t handle, const char* container,
                                               std::int32_t keySpec, const unsigned char* blob,
                                               std::int32_t blobLength) {
    return WriteContainerPart("ZQ_TokenImportRsaKeyObj", handle, container, keySpec, blob,
                              blobLength, 65536, &ContainerRecord::exchKey,
                              &ContainerRecord::signKey);
}

std::int32_t VendorModel::TokenWrtCert(std::uint32_t handle, const char* container,
                                       std::int32_t keySpec, const unsigned char* cert,
                                       std::int32_t certLength) {
    return WriteContainerPart("ZQ_TokenWrtCert", handle, container, keySpec, cert, certLength,
                              1 << 20, &ContainerRecord::exchCert, &ContainerRecord::signCert);
}

std::int32_t VendorModel::WriteContainerPart(const char* function, std::uint32_t handle,
                                             const char* container, std::int32_t keySpec,
                                             const unsigned char* bytes, std::int32_t length,
                                             std::int32_t maxLength, ContainerPart exchange,
                                             ContainerPart signature) {
    std::int32_t status = kOk;
    if (BeginCall(function, handle, nullptr, nullptr, &status))
        return status;
    if (!container || !bytes || length <= 0 || length > maxLength || (keySpec != 1 && keySpec != 2))
        return kSwBadArgument;
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        if (!s.userVerified)
            return kSwNotVerified;
        ContainerRecord* c = FindContainer(t, container);
        if (!c)
            return kSwNotFound;
        (c->*(keySpec == 1 ? exchange : signature)).assign(bytes, bytes + length);
        *save = true;
        return kOk;
    });
}

std::int32_t VendorModel::SelectDev(std::uint32_t handle) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_SelectDev", handle, nullptr, nullptr, &status))
        return status;
    Session s;
    TokenRecord t;
    return SessionToken(handle, &s, &t, &status) ? kOk : status;
}

std::int32_t VendorModel::CreateResource(std::uint32_t handle) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_CreateResource", handle, nullptr, nullptr, &status))
        return status;
    Session s;
    TokenRecord t;
    return SessionToken(handle, &s, &t, &status) ? kOk : status;
}

std::int32_t VendorModel::InitDynamicCode(std::uint32_t handle, const unsigned char* serial,
                                          std::int32_t count) {
    std::int32_t status = kOk;
    if (BeginCall("ZQpro_InitDynamicCode", handle, nullptr, nullptr, &status))
        return status;
    if (!serial || count <= 0 || count > kMaxDacSerial)
        return kSwBadArgument;
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        if (t.dacSupport == 1)
            return kSwNotSupported;
        if (!s.userVerified)
            return kSwNotVerified;
        if (!t.dacCard.empty())
            return kSwAlreadyBound;
        t.dacCard.assign(serial, serial + count);
        *save = true;
        return kSwSuccess;
    });
}

std::int32_t VendorModel::IsSupportDynamicCode(std::uint32_t handle) {
    std::int32_t status = kOk;
    Session s;
    TokenRecord t;
    if (!EnterOnToken("ZQpro_IsSupportDynamicCode", handle, nullptr, &s, &t, &status))
        return status;
    return t.dacSupport;
}

std::int32_t VendorModel::RemoveDynamicCode(std::uint32_t handle) {
    std::int32_t status = kOk;
    if (BeginCall("ZQpro_RemoveDynamicCode", handle, nullptr, nullptr, &status))
        return status;
    // Only the bank's administrator, who knows the security officer PIN, may unbind a card.
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        if (!s.soVerified)
            return kSwNotVerified;
        t.dacCard.clear();
        *save = true;
        return kSwSuccess;
    });
}

std::int32_t VendorModel::VerifySo(std::uint32_t handle, const char* pin, std::int32_t length) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_ToKenVerifySo", handle, nullptr, nullptr, &status))
        return status;
    if (!ValidPinArg(pin, length))
        return kSwBadArgument;
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        const std::int32_t checked = CheckSoPin(t, pin, length, save);
        if (checked == kOk)
            s.soVerified = true;
        return checked;
    });
}

std::int32_t VendorModel::VerifyUser(std::uint32_t handle, const char* pin, std::int32_t length) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_ToKenVerifyUser", handle, nullptr, nullptr, &status))
        return status;
    if (!ValidPinArg(pin, length))
        return kSwBadArgument;
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        bool matched = false;
        const int before = t.attemptsLeft;
        std::int32_t result = CheckUserPin(t, pin, length, &matched);
        *save = t.attemptsLeft != before;
        s.userVerified = matched;
        return result;
    });
}

std::int32_t VendorModel::IsDefaultPin(std::uint32_t handle) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_IsDefaultPin", handle, nullptr, nullptr, &status))
        return status;
    Session s;
    TokenRecord t;
    if (!SessionToken(handle, &s, &t, &status))
        return 0;
    return t.pinIsDefault ? 1 : 0;
}

std::int32_t VendorModel::ChangeUser(std::uint32_t handle, const char* oldPin,
                                     std::int32_t oldLength, const char* newPin,
                                     std::int32_t newLength) {
    std::int32_t status = kOk;
    if (BeginCall("ZQ_ToKenChangeUser", handle, nullptr, nullptr, &status))
        return status;
    return ChangeUserPin(handle, oldPin, oldLength, newPin, newLength);
}

std::int32_t VendorModel::ChangeUserPin(std::uint32_t handle, const char* oldPin,
                                        std::int32_t oldLength, const char* newPin,
                                        std::int32_t newLength) {
    if (!ValidPinArg(oldPin, oldLength) || !ValidPinArg(newPin, newLength) || newLength == 0)
        return kSwBadArgument;
    return UpdateToken(handle, [&](TokenRecord& t, Session& s, bool* save) -> std::int32_t {
        bool matched = false;
        const int before = t.attemptsLeft;
        std::int32_t result = CheckUserPin(t, oldPin, oldLength, &matched);
        *save = t.attemptsLeft != before;
        if (!matched)
            return result;
        t.userPinHash = PinHash(newPin, static_cast<std::size_t>(newLength));
        t.pinIsDefault = false;
        s.userVerified = true;
        *save = true;
        return kOk;
    });
}

} // namespace zqsim
