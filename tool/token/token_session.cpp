#include "token_session.h"

#include "library_lease.h"
#include "token_lock.h"
#include "vendor_entries.h"
#include "vendor_failures.h"

#include <cstring>

namespace {

std::int32_t Length(const char* text) {
    return static_cast<std::int32_t>(std::strlen(text));
}

} // namespace

TokenSession::TokenSession(const std::atomic<std::int32_t>& giveUp) : lease_(new LibraryLease()) {
    std::memset(device_.text, 0, sizeof device_.text);
    if (lease_->held())
        bracket_.reset(new TokenLockBracket(giveUp));
    if (bracket_ && !bracket_->held())
        bracket_.reset();
}

TokenSession::TokenSession(const DeviceName& device) : device_(device), lease_(new LibraryLease()) {
    device_.text[sizeof device_.text - 1] = '\0';
    if (lease_->held())
        bracket_.reset(new TokenLockBracket());
    if (bracket_ && !bracket_->held())
        bracket_.reset();
}

TokenSession::~TokenSession() {
    EndBracket();
}

bool TokenSession::held() const {
    return bracket_ != nullptr;
}

bool TokenSession::stopping() const {
    return WaitForSingleObject(LibraryLetGoEvent(), 0) == WAIT_OBJECT_0;
}

std::int32_t TokenSession::Open() {
    if (!bracket_ || handle_ != 0)
        return kTokenNotReached;
    TokenHandle handle = 0;
    const std::int32_t status = vendor_failures::Checked(
        "ZQ_OpenDev", g_tokenApi.ZQ_OpenDev(device_.text, Length(device_.text), &handle));
    if (status == kTokenOk)
        handle_ = handle;
    return status;
}

std::int32_t TokenSession::Close() {
    if (!Reaches())
        return kTokenNotReached;
    const std::int32_t status =
        vendor_failures::Checked("ZQ_CloseDev", g_tokenApi.ZQ_CloseDev(handle_));
    handle_ = 0;
    return status;
}

std::int32_t TokenSession::ReadSerial() {
    if (!Reaches())
        return kTokenNotReached;
    char serial[kVendorTextBytes];
    std::memset(serial, 0, sizeof serial);
    return vendor_failures::Checked("ZQPro_GetSn", g_tokenApi.ZQPro_GetSn(handle_, serial),
                                    kTokenSwSuccess);
}

std::int32_t TokenSession::IsDefaultPin() {
    return Reaches() ? g_tokenApi.ZQ_IsDefaultPin(handle_) : kTokenNotReached;
}

std::int32_t TokenSession::ChangeUserPin(const char* oldPin, const char* newPin) {
    if (!Reaches())
        return kTokenNotReached;
    return vendor_failures::Checked(
        "ZQ_ToKenChangeUser",
        g_tokenApi.ZQ_ToKenChangeUser(handle_, oldPin, Length(oldPin), newPin, Length(newPin)));
}

std::int32_t TokenSession::VerifyUserPin(const char* pin) {
    return Reaches()
               ? vendor_failures::Checked("ZQ_ToKenVerifyUser",
                                          g_tokenApi.ZQ_ToKenVerifyUser(handle_, pin, Length(pin)))
               : kTokenNotReached;
}

std::int32_t TokenSession::PinAttemptsLeft() {
    return Reaches() ? g_tokenApi.ZQpro_GetPinTime(handle_, 1, 0) : kTokenNotReached;
}

std::int32_t TokenSession::SupportsDynamicCode() {
    return Reaches() ? g_tokenApi.ZQpro_IsSupportDynamicCode(handle_) : kTokenNotReached;
}

std::int32_t TokenSession::InitDynamicCode(const unsigned char* serial, std::int32_t count) {
    return Reaches()
               ? vendor_failures::Checked("ZQpro_InitDynamicCode",
                                          g_tokenApi.ZQpro_InitDynamicCode(handle_, serial, count),
                                          kTokenSwSuccess)
               : kTokenNotReached;
}

void TokenSession::EndBracket() {
    if (Reaches())
        Close();
    bracket_.reset();
}

void TokenSession::ClearPinFromMem() {
    if (lease_->held())
        g_tokenApi.ClearPinFromMem(0, 0);
}
