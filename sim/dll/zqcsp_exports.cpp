// The named functions of the stand-in ZQCSP.dll. Plain C functions with the default calling
// convention, exported by name through the .def file; each one logs its call.
#include "sim_host.h"

#include <cstdint>

using zqsim::SimHost;

namespace {

std::int32_t Logged(const char* function, std::int32_t result, const char* device = nullptr,
                    std::int32_t deviceLength = -1) {
    SimHost::Get().LogCall(function, result, device, deviceLength);
    return result;
}

zqsim::VendorModel& Model() {
    return SimHost::Get().model();
}

} // namespace

extern "C" {

std::int32_t ZQ_OpenDev(const char* name, std::int32_t length, std::uint32_t* handle) {
    return Logged("ZQ_OpenDev", Model().OpenDev(name, length, handle), name, name ? length : -1);
}

std::int32_t ZQ_CloseDev(std::uint32_t handle) {
    return Logged("ZQ_CloseDev", Model().CloseDev(handle));
}

std::int32_t ZQ_ListAllDev(char* buffer, std::uint32_t* size, std::uint32_t* count) {
    return Logged("ZQ_ListAllDev", Model().ListAllDev(buffer, size, count));
}

std::int32_t ZQ_TokenListContainer(std::uint32_t handle, std::int32_t first, char* name,
                                   unsigned char* info) {
    return Logged("ZQ_TokenListContainer", Model().TokenListContainer(handle, first, name, info));
}

std::int32_t ZQPro_GetSn(std::uint32_t handle, char* serial) {
    return Logged("ZQPro_GetSn", Model().GetSn(handle, serial));
}

std::int32_t ZQ_TokenGetCertSize(std::uint32_t handle, const unsigned char* id,
                                 std::int32_t idLength, std::uint32_t* size) {
    return Logged("ZQ_TokenGetCertSize", Model().TokenGetCertSize(handle, id, idLength, size));
}

std::int32_t ZQ_TokenGetCert(std::uint32_t handle, const unsigned char* id, std::int32_t idLength,
                             unsigned char* buffer, std::uint32_t size) {
    return Logged("ZQ_TokenGetCert", Model().TokenGetCert(handle, id, idLength, buffer, size));
}

std::int32_t ZQM1_ChangePIN(std::uint32_t handle, const char* oldPin, std::int32_t oldLength,
                            const char* newPin, std::int32_t newLength) {
    return Logged("ZQM1_ChangePIN",
                  Model().ChangePinM1(handle, oldPin, oldLength, newPin, newLength));
}

std::int32_t ZQpro_GetPinTime(std::uint32_t handle, std::int32_t pinType, std::int32_t reserved) {
    return Logged("ZQpro_GetPinTime", Model().GetPinTime(handle, pinType, reserved));
}

std::int32_t ZQpro_ReloadPin(std::uint32_t handle, const char* soPin, std::int32_t soLength,
                             const char* newPin, std::int32_t newLength) {
    return Logged("ZQpro_ReloadPin", Model().ReloadPin(handle, soPin, soLength, newPin, newLength));
}

std::int32_t ClearPinFromMem(std::int32_t a, std::int32_t b) {
    return Logged("ClearPinFromMem", Model().ClearPinFromMem(a, b));
}

std::int32_t LockUKey() {
    std::int32_t status = 0;
    if (Model().Faulted("LockUKey", &status))
        return Logged("LockUKey", status);
    SimHost::Get().LockToken();
    return Logged("LockUKey", 0);
}

std::int32_t UnlockUKey() {
    // A lock owned by its caller can always be released, so a failing unlock only reports the
    // failure: a lock kept for ever would be a library no caller could work with.
    std::int32_t status = 0;
    const bool faulted = Model().Faulted("UnlockUKey", &status);
    const std::int32_t released = SimHost::Get().UnlockToken();
    return Logged("UnlockUKey", faulted ? status : released);
}

std::int32_t ZQ_TokenCreateCon(std::uint32_t handle, const char* name, std::int32_t length) {
    return Logged("ZQ_TokenCreateCon", Model().TokenCreateCon(handle, name, length));
}

std::int32_t ZQ_TokenImportRsaKeyObj(std::uint32_t handle, const char* container,
                                     std::int32_t keySpec, const unsigned char* blob,
                                     std::int32_t blobLength) {
    return Logged("ZQ_TokenImportRsaKeyObj",
                  Model().TokenImportRsaKeyObj(handle, container, keySpec, blob, blobLength));
}

std::int32_t ZQ_TokenWrtCert(std::uint32_t handle, const char* container, std::int32_t keySpec,
                             const unsigned char* cert, std::int32_t certLength) {
    return Logged("ZQ_TokenWrtCert",
                  Model().TokenWrtCert(handle, container, keySpec, cert, certLength));
}

std::int32_t ZQ_SelectDev(std::uint32_t handle) {
    return Logged("ZQ_SelectDev", Model().SelectDev(handle));
}

std::int32_t ZQ_CreateResource(std::uint32_t handle) {
    return Logged("ZQ_CreateResource", Model().CreateResource(handle));
}

std::int32_t ZQpro_InitDynamicCode(std::uint32_t handle, const unsigned char* serial,
                                   std::int32_t count) {
    return Logged("ZQpro_InitDynamicCode", Model().InitDynamicCode(handle, serial, count));
}

std::int32_t ZQpro_IsSupportDynamicCode(std::uint32_t handle) {
    return Logged("ZQpro_IsSupportDynamicCode", Model().IsSupportDynamicCode(handle));
}

std::int32_t ZQpro_RemoveDynamicCode(std::uint32_t handle) {
    return Logged("ZQpro_RemoveDynamicCode", Model().RemoveDynamicCode(handle));
}

std::int32_t ZQ_ToKenVerifySo(std::uint32_t handle, const char* pin, std::int32_t length) {
    return Logged("ZQ_ToKenVerifySo", Model().VerifySo(handle, pin, length));
}

std::int32_t ZQ_ToKenVerifyUser(std::uint32_t handle, const char* pin, std::int32_t length) {
    return Logged("ZQ_ToKenVerifyUser", Model().VerifyUser(handle, pin, length));
}

std::int32_t ZQ_IsDefaultPin(std::uint32_t handle) {
    return Logged("ZQ_IsDefaultPin", Model().IsDefaultPin(handle));
}

std::int32_t ZQ_ToKenChangeUser(std::uint32_t handle, const char* oldPin, std::int32_t oldLength,
                                const char* newPin, std::int32_t newLength) {
    return Logged("ZQ_ToKenChangeUser",
                  Model().ChangeUser(handle, oldPin, oldLength, newPin, newLength));
}

// For tests only; Keystead knows nothing of these.
std::int32_t ZQSim_LockDepth() {
    return SimHost::Get().LockDepth();
}

std::int32_t ZQSim_OpenHandles() {
    return Model().OpenHandles();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH)
        zqsim::SetSimModule(instance);
    // Freed by the program while it goes on (not at its exit): the log says so, and a call
    // logged after this line came through a library the program had let go of.
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        // A provider freed after a failed acquisition leaves its error for the caller to read.
        const DWORD error = GetLastError();
        SimHost::Get().LogCall("<unloaded>", 0, nullptr, -1);
        SetLastError(error);
    }
    return TRUE;
}

} // extern "C"
