// What the simulated token library does, free of any platform: the 25 named functions over the
// tokens of a rig, with the statuses the real library reports, plus fault injection. The DLL
// wraps each function with the vendor lock depth and the call log; nothing here knows of them.
#pragma once

#include "faults.h"
#include "rig.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

namespace zqsim {

// Serialises read-modify-write of token files among all processes that share the rig.
class RigFileLock {
  public:
    virtual ~RigFileLock() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

class FileLockScope {
  public:
    explicit FileLockScope(RigFileLock* lock) : lock_(lock) { lock_->Lock(); }
    ~FileLockScope() { lock_->Unlock(); }
    FileLockScope(const FileLockScope&) = delete;
    FileLockScope& operator=(const FileLockScope&) = delete;

  private:
    RigFileLock* lock_;
};

// The library's container record, as the token hands it out: 820 bytes with CertRef A (the
// signature certificate) at 0 and CertRef B (the encryption certificate) at 408.
constexpr std::size_t kContainerInfoSize = 820;
constexpr std::size_t kCertRefSize = 136;
constexpr std::size_t kCertRefA = 0;
constexpr std::size_t kCertRefB = 408;
constexpr std::size_t kCertIdSize = 128;
constexpr std::size_t kContainerNameSize = 128;

// Guards the model's own state across the threads of one process. Its sections are a few map
// operations, so it spins; made of one atomic, it holds no system object, and the stand-in
// running inside a measured program adds nothing to that program's handles.
class StateLock {
  public:
    void lock() {
        while (flag_.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    void unlock() { flag_.clear(std::memory_order_release); }

  private:
    std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

class VendorModel {
  public:
    VendorModel(Rig rig, RigFileLock* fileLock);

    const Rig& rig() const { return rig_; }
    // How a pause that serves messages is made; without one it is a plain pause.
    void SetServingPause(void (*pause)(int ms)) { servingPause_ = pause; }
    int OpenHandles() const;
    // For the calls the host carries out itself (the lock): pause and pull as the fault table
    // says; true, with *status, when the call must end at once with that status.
    bool Faulted(const char* function, std::int32_t* status) {
        return BeginCall(function, 0, nullptr, nullptr, status);
    }

    std::int32_t OpenDev(const char* name, std::int32_t length, std::uint32_t* handle);
    std::int32_t CloseDev(std::uint32_t handle);
    std::int32_t ListAllDev(char* buffer, std::uint32_t* size, std::uint32_t* count);
    std::int32_t TokenListContainer(std::uint32_t handle, std::int32_t first, char* name,
                                    unsigned char* info);
    std::int32_t GetSn(std::uint32_t handle, char* serial);
    std::int32_t TokenGetCertSize(std::uint32_t handle, const unsigned char* id,
                                  std::int32_t idLength, std::uint32_t* size);
    std::int32_t TokenGetCert(std::uint32_t handle, const unsigned char* id, std::int32_t idLength,
                              unsigned char* buffer, std::uint32_t size);
    std::int32_t ChangePinM1(std::uint32_t handle, const char* oldPin, std::int32_t oldLength,
                             const char* newPin, std::int32_t newLength);
    std::int32_t GetPinTime(std::uint32_t handle, std::int32_t pinType, std::int32_t reserved);
    std::int32_t ReloadPin(std::uint32_t handle, const char* soPin, std::int32_t soLength,
                           const char* newPin, std::int32_t newLength);
    std::int32_t ClearPinFromMem(std::int32_t a, std::int32_t b);
    std::int32_t TokenCreateCon(std::uint32_t handle, const char* name, std::int32_t length);
    std::int32_t TokenImportRsaKeyObj(std::uint32_t handle, const char* container,
                                      std::int32_t keySpec, const unsigned char* blob,
                                      std::int32_t blobLength);
    std::int32_t TokenWrtCert(std::uint32_t handle, const char* container, std::int32_t keySpec,
                              const unsigned char* cert, std::int32_t certLength);
    std::int32_t SelectDev(std::uint32_t handle);
    std::int32_t CreateResource(std::uint32_t handle);
    std::int32_t InitDynamicCode(std::uint32_t handle, const unsigned char* serial,
                                 std::int32_t count);
    std::int32_t IsSupportDynamicCode(std::uint32_t handle);
    std::int32_t RemoveDynamicCode(std::uint32_t handle);
    std::int32_t VerifySo(std::uint32_t handle, const char* pin, std::int32_t length);
    std::int32_t VerifyUser(std::uint32_t handle, const char* pin, std::int32_t length);
    std::int32_t IsDefaultPin(std::uint32_t handle);
    std::int32_t ChangeUser(std::uint32_t handle, const char* oldPin, std::int32_t oldLength,
                            const char* newPin, std::int32_t newLength);

  private:
    void (*servingPause_)(int ms) = nullptr;
    struct Session {
        std::string serial;
        bool userVerified = false;
        bool soVerified = false;
        std::size_t cursor = 0;
    };
    // Applies what the fault table says for this call: pause, pull, forced status.
    // Returns true (with *status) when the call must end at once.
    bool BeginCall(const char* function, std::uint32_t handle, const char* deviceName,
                   FaultRule* shape, std::int32_t* status);
    void PullToken(const std::string& serial);
    // The preamble of a call on an open token: the call is counted and logged against the
    // faults, then the token of the session is read. False, with *status, when the call ends
    // there.
    bool EnterOnToken(const char* function, std::uint32_t handle, FaultRule* shape,
                      Session* session, TokenRecord* token, std::int32_t* status);
    bool SessionToken(std::uint32_t handle, Session* session, TokenRecord* token,
                      std::int32_t* status);
    // Loads, lets change() edit, and saves the token of a session, under the rig file lock.
    template <typename Change> std::int32_t UpdateToken(std::uint32_t handle, Change change);
    std::int32_t ChangeUserPin(std::uint32_t handle, const char* oldPin, std::int32_t oldLength,
                               const char* newPin, std::int32_t newLength);
    std::int32_t CheckUserPin(TokenRecord& token, const char* pin, std::int32_t length,
                              bool* matched);
    // Stores a container's key blob or certificate (keySpec 1: the exchange one, 2: the
    // signature one) once the user PIN was verified in this session.
    using ContainerPart = std::vector<std::uint8_t> ContainerRecord::*;
    std::int32_t WriteContainerPart(const char* function, std::uint32_t handle,
                                    const char* container, std::int32_t keySpec,
                                    const unsigned char* bytes, std::int32_t length,
                                    std::int32_t maxLength, ContainerPart exchange,
                                    ContainerPart signature);

    Rig rig_;
    RigFileLock* fileLock_;
    mutable StateLock mutex_;
    std::map<std::uint32_t, Session> sessions_;
    std::uint32_t nextHandle_ = 0x5A000001u;
    FileStamp faultStamp_; // of the faults file last read
    std::string faultText_;
    std::vector<FaultRule> faults_;
    std::map<std::string, int> callCounts_;
    std::thread::id mainThread_; // of the process's first call
    bool mainThreadKnown_ = false;
};

} // namespace zqsim
