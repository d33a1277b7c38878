// The simulated library's answers, where a fault in them would hide a fault in Keystead.
#include "sim_test_rig.h"

#include "core/sim_status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

using namespace zqsim;
using zqsim_test::InProcessFileLock;
using zqsim_test::MakeToken;
using zqsim_test::TempRig;

namespace {

class ModelTest : public ::testing::Test {
  protected:
    ModelTest() : model_(temp_.rig(), &lock_) {}

    void Save(const TokenRecord& t) { ASSERT_TRUE(temp_.rig().Save(t)); }
    void SetFaults(const std::string& text) {
        std::ofstream(temp_.rig().FaultsPath(), std::ios::trunc) << text;
    }
    std::uint32_t Open(const std::string& serial) {
        std::string name = "\\\\.\\VELQUKEY_" + serial;
        std::uint32_t h = 0;
        EXPECT_EQ(model_.OpenDev(name.c_str(), static_cast<std::int32_t>(name.size()), &h), kOk);
        return h;
    }
    std::vector<std::string> ListNames(std::uint32_t* countOut = nullptr) {
        std::uint32_t size = 0, count = 0;
        EXPECT_EQ(model_.ListAllDev(nullptr, &size, &count), kOk);
        std::vector<char> buffer(size);
        EXPECT_EQ(model_.ListAllDev(buffer.data(), &size, &count), kOk);
        std::vector<std::string> names;
        for (std::size_t at = 0; at < size;) {
            std::size_t end = at;
            while (end < size && buffer[end])
                ++end;
            names.emplace_back(buffer.data() + at, end - at);
            at = end + 1;
        }
        if (countOut)
            *countOut = count;
        return names;
    }
    TokenRecord Stored(const std::string& serial) {
        TokenRecord t;
        EXPECT_TRUE(temp_.rig().Load(serial, &t));
        return t;
    }

    TempRig temp_;
    InProcessFileLock lock_;
    VendorModel model_;
};

} // namespace

TEST_F(ModelTest, DeviceListFollowsTheTwoCallProtocol) {
    Save(MakeToken("T2", 2));
    Save(MakeToken("T1", 1));
    TokenRecord out = MakeToken("T3", 3);
    out.plugged = false;
    Save(out);

    std::uint32_t size = 0, count = 99;
    ASSERT_EQ(model_.ListAllDev(nullptr, &size, &count), kOk);
    const std::string expected =
        std::string("\\\\.\\VELQUKEY_T1") + '\0' + "\\\\.\\VELQUKEY_T2" + '\0';
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(count, 2u);

    std::vector<char> small(size - 1);
    std::uint32_t smallSize = size - 1;
    EXPECT_EQ(model_.ListAllDev(small.data(), &smallSize, &count), kSwWrongLength);
    EXPECT_EQ(smallSize, size);

    std::vector<char> buffer(size);
    ASSERT_EQ(model_.ListAllDev(buffer.data(), &size, &count), kOk);
    EXPECT_EQ(std::string(buffer.data(), size), expected);
    EXPECT_EQ(model_.ListAllDev(nullptr, nullptr, &count), kSwBadArgument);
}

TEST_F(ModelTest, DeviceListShapesFromTheFaultTable) {
    Save(MakeToken("S1", 1));
    SetFaults("ZQ_ListAllDev count=5\n");
    std::uint32_t count = 0;
    EXPECT_EQ(ListNames(&count).size(), 1u);
    EXPECT_EQ(count, 5u);

    SetFaults("ZQ_ListAllDev unterminated=1\n");
    std::uint32_t size = 0;
    ASSERT_EQ(model_.ListAllDev(nullptr, &size, &count), kOk);
    EXPECT_EQ(size, std::strlen("\\\\.\\VELQUKEY_S1"));

    SetFaults("ZQ_ListAllDev long_name=300\n");
    std::vector<std::string> names = ListNames(&count);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].size(), 300u);
    EXPECT_EQ(count, 2u);
}

TEST_F(ModelTest, WrongPinsUseUpAttemptsAndTheTokenLocksAtZero) {
    TokenRecord t = MakeToken("P1");
    t.maxAttempts = t.attemptsLeft = 3;
    Save(t);
    std::uint32_t h = Open("P1");
    EXPECT_EQ(model_.VerifyUser(h, "000000", 6), kSwWrongPinBase | 2);
    EXPECT_EQ(model_.GetPinTime(h, 1, 0), 2);
    EXPECT_EQ(model_.VerifyUser(h, "12345678", 8), kOk);
    EXPECT_EQ(model_.GetPinTime(h, 1, 0), 3) << "a right PIN restores the attempts";

    EXPECT_EQ(model_.ChangeUser(h, "111111", 6, "654321", 6), kSwWrongPinBase | 2);
    EXPECT_EQ(model_.VerifyUser(h, "222222", 6), kSwWrongPinBase | 1);
    EXPECT_EQ(model_.VerifyUser(h, "333333", 6), kSwPinLocked);
    EXPECT_EQ(model_.GetPinTime(h, 1, 0), 0);
    EXPECT_EQ(model_.VerifyUser(h, "12345678", 8), kSwPinLocked);
    EXPECT_EQ(model_.ChangeUser(h, "12345678", 8, "654321", 6), kSwPinLocked);

    // The lock-out is the token's, so another process sees it too.
    InProcessFileLock otherLock;
    VendorModel other(temp_.rig(), &otherLock);
    std::uint32_t h2 = 0;
    std::string name = "\\\\.\\VELQUKEY_P1";
    ASSERT_EQ(other.OpenDev(name.c_str(), static_cast<std::int32_t>(name.size()), &h2), kOk);
    EXPECT_EQ(other.GetPinTime(h2, 1, 0), 0);
}

TEST_F(ModelTest, ChangingThePinEndsTheFactoryDefault) {
    Save(MakeToken("P2"));
    std::uint32_t h = Open("P2");
    EXPECT_NE(model_.IsDefaultPin(h), 0);
    EXPECT_EQ(model_.ChangeUser(h, "12345678", 8, "135790", 6), kOk);
    EXPECT_EQ(model_.IsDefaultPin(h), 0);
    EXPECT_EQ(Stored("P2").userPinHash, zqsim::PinHash("135790"));
    EXPECT_EQ(model_.VerifyUser(h, "12345678", 8), kSwWrongPinBase | 5);
}

TEST_F(ModelTest, ContainersListInOrderAndTheirCertRefsLeadToTheCertificates) {
    TokenRecord t = MakeToken("K1");
    t.containers.push_back(ContainerRecord());
    t.containers[1].name = "second";
    t.containers[1].signCert = {0x30, 0x00};
    Save(t);
    std::uint32_t h = Open("K1");
    char name[kContainerNameSize];
    unsigned char info[kContainerInfoSize];

    ASSERT_EQ(model_.TokenListContainer(h, 1, name, info), kOk);
    EXPECT_STREQ(name, "container-K1");
    std::int32_t idLength = 0;
    std::memcpy(&idLength, info + kCertRefB + kCertIdSize, 4);
    std::uint32_t size = 0;
    ASSERT_EQ(model_.TokenGetCertSize(h, info + kCertRefB, idLength, &size), kOk);
    std::vector<unsigned char> cert(size);
    ASSERT_EQ(model_.TokenGetCert(h, info + kCertRefB, idLength, cert.data(), size), kOk);
    EXPECT_EQ(std::vector<std::uint8_t>(cert.begin(), cert.end()), t.containers[0].exchCert);
    EXPECT_EQ(model_.TokenGetCert(h, info + kCertRefB, idLength, cert.data(), size - 1),
              kSwWrongLength);

    ASSERT_EQ(model_.TokenListContainer(h, 0, name, info), kOk);
    EXPECT_STREQ(name, "second");
    std::memcpy(&idLength, info + kCertRefB + kCertIdSize, 4);
    EXPECT_EQ(model_.TokenGetCertSize(h, info + kCertRefB, idLength, &size), kSwNotFound)
        << "the second container has no encryption certificate";
    EXPECT_EQ(model_.TokenListContainer(h, 0, name, info), kNoMoreContainers);
    EXPECT_EQ(model_.TokenListContainer(h, 1, name, info), kOk) << "first=1 starts again";
    EXPECT_STREQ(name, "container-K1");
}

TEST_F(ModelTest, FaultsForceStatusesOnTheNthCallAndPullTokensMidway) {
    Save(MakeToken("F1"));
    SetFaults("ZQPro_GetSn nth=2 status=0\n"
              "ZQ_TokenGetCertSize size=0x7FFFFFFF\n"
              "ZQ_TokenGetCert pull=1\n");
    std::uint32_t h = Open("F1");
    char serial[64];
    EXPECT_EQ(model_.GetSn(h, serial), kSwSuccess);
    EXPECT_STREQ(serial, "F1");
    EXPECT_EQ(model_.GetSn(h, serial), 0);
    EXPECT_EQ(model_.GetSn(h, serial), kSwSuccess);

    char name[kContainerNameSize];
    unsigned char info[kContainerInfoSize];
    ASSERT_EQ(model_.TokenListContainer(h, 1, name, info), kOk);
    std::uint32_t size = 0;
    ASSERT_EQ(model_.TokenGetCertSize(h, info, 3, &size), kOk);
    EXPECT_EQ(size, 0x7FFFFFFFu);
    unsigned char buffer[16];
    EXPECT_EQ(model_.TokenGetCert(h, info, 3, buffer, sizeof buffer), kSwDeviceGone);
    EXPECT_FALSE(Stored("F1").plugged);
    EXPECT_EQ(model_.CloseDev(h), kSwDeviceGone);
    EXPECT_EQ(model_.OpenHandles(), 0) << "closing a pulled token still frees its handle";
}

TEST_F(ModelTest, FaultsLimitedToWorkerThreadsCountOnlyTheirCalls) {
    Save(MakeToken("W1"));
    SetFaults("ZQPro_GetSn threads=workers nth=1 status=0x6A82\n"
              "ZQ_TokenListContainer threads=main ref_len=0xFFFFFFFF\n"
              "LockUKey pull=1\n");
    std::uint32_t h = Open("W1"); // the first call: this thread is the main one
    char serial[64];
    EXPECT_EQ(model_.GetSn(h, serial), kSwSuccess);
    std::int32_t onWorker[2] = {};
    std::thread([&] {
        onWorker[0] = model_.GetSn(h, serial);
        onWorker[1] = model_.GetSn(h, serial);
    }).join();
    EXPECT_EQ(onWorker[0], 0x6A82);
    EXPECT_EQ(onWorker[1], kSwSuccess);

    char name[kContainerNameSize];
    unsigned char info[kContainerInfoSize];
    ASSERT_EQ(model_.TokenListContainer(h, 1, name, info), kOk);
    std::uint32_t length = 0;
    std::memcpy(&length, info + kCertRefA + kCertIdSize, 4);
    EXPECT_EQ(length, 0xFFFFFFFFu);

    std::int32_t status = 0;
    EXPECT_FALSE(model_.Faulted("LockUKey", &status));
    EXPECT_FALSE(Stored("W1").plugged) << "a call naming no token pulls the first plugged one";
}

TEST_F(ModelTest, CardBindingNeedsTheUserPinAndHappensOnce) {
    Save(MakeToken("D1"));
    std::uint32_t h = Open("D1");
    const unsigned char card[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(model_.InitDynamicCode(h, card, 8), kSwNotVerified);
    ASSERT_EQ(model_.VerifyUser(h, "12345678", 8), kOk);
    EXPECT_EQ(model_.InitDynamicCode(h, card, 8), kSwSuccess);
    EXPECT_EQ(model_.InitDynamicCode(h, card, 8), kSwAlreadyBound);
    EXPECT_EQ(Stored("D1").dacCard.size(), 8u);
}

TEST_F(ModelTest, EachEntryCountsItsOwnCallsForFaults) {
    Save(MakeToken("M1"));
    std::uint32_t h = Open("M1");
    // A fault on the first ZQ_ToKenChangeUser must not be spent by the older change command.
    SetFaults("ZQ_ToKenChangeUser nth=1 status=0x6F00\n");
    EXPECT_EQ(model_.ChangePinM1(h, "12345678", 8, "135790", 6), kOk);
    EXPECT_EQ(model_.ChangeUser(h, "135790", 6, "246801", 6), 0x6F00);
    EXPECT_EQ(Stored("M1").userPinHash, zqsim::PinHash("135790"));
}
