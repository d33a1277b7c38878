// Which token a provider context opens, and keeping a generated key pair on it.
#include "sim_test_rig.h"

#include "core/key_containers.h"

#include <gtest/gtest.h>

using namespace zqsim;
using zqsim_test::InProcessFileLock;
using zqsim_test::MakeToken;
using zqsim_test::TempRig;

namespace {

ContainerRecord Container(const std::string& name, std::uint8_t key) {
    ContainerRecord c;
    c.name = name;
    c.signKey = {key, 2};
    c.exchKey = {key, 1};
    return c;
}

TEST(KeyContainers, FirstPluggedTokenInSlotOrderHoldsTheName) {
    TempRig temp;
    TokenRecord pulled = MakeToken("A0", 0), second = MakeToken("B0", 2),
                first = MakeToken("C0", 1);
    pulled.plugged = false;
    pulled.containers = {Container("Shared", 0xA0)};
    second.containers = {Container("Shared", 0xB0), Container("OnlyB", 0xB1)};
    first.containers = {Container("Default", 0xC1), Container("Shared", 0xC0)};
    for (const TokenRecord& t : {pulled, second, first})
        ASSERT_TRUE(temp.rig().Save(t));

    KeyContainerRef found;
    ASSERT_TRUE(FindKeyContainer(temp.rig(), "Shared", &found));
    EXPECT_EQ(found.serial, "C0");
    EXPECT_EQ(found.signKey, (std::vector<std::uint8_t>{0xC0, 2}));
    EXPECT_EQ(found.exchKey, (std::vector<std::uint8_t>{0xC0, 1}));
    ASSERT_TRUE(FindKeyContainer(temp.rig(), "OnlyB", &found));
    EXPECT_EQ(found.serial, "B0");
    // No name: the first container of the first token.
    ASSERT_TRUE(FindKeyContainer(temp.rig(), "", &found));
    EXPECT_EQ(found.container, "Default");
    EXPECT_FALSE(FindKeyContainer(temp.rig(), "shared", &found)) << "names match exactly";

    EXPECT_TRUE(KeyContainerPresent(temp.rig(), "C0", "Shared"));
    EXPECT_FALSE(KeyContainerPresent(temp.rig(), "A0", "Shared")) << "pulled out";
    EXPECT_FALSE(KeyContainerPresent(temp.rig(), "C0", "OnlyB"));
    EXPECT_FALSE(KeyContainerPresent(temp.rig(), "C0", ""));
}

TEST(KeyContainers, GeneratedPairReplacesOnlyItsOwnUsage) {
    TempRig temp;
    InProcessFileLock lock;
    TokenRecord t = MakeToken("K1");
    t.containers = {Container("Bank", 0x11), Container("Other", 0x22)};
    ASSERT_TRUE(temp.rig().Save(t));

    const std::vector<std::uint8_t> blob = {7, 7, 7};
    ASSERT_TRUE(StoreContainerKey(temp.rig(), &lock, "K1", "Bank", 2, blob));
    TokenRecord stored;
    ASSERT_TRUE(temp.rig().Load("K1", &stored));
    EXPECT_EQ(stored.containers[0].signKey, blob);
    EXPECT_EQ(stored.containers[0].exchKey, (std::vector<std::uint8_t>{0x11, 1}));
    EXPECT_EQ(stored.containers[1].signKey, (std::vector<std::uint8_t>{0x22, 2}));
    EXPECT_EQ(stored.userPinHash, t.userPinHash) << "the rest of the token is kept";

    EXPECT_FALSE(StoreContainerKey(temp.rig(), &lock, "K1", "Bank", 3, blob)) << "no such usage";
    EXPECT_FALSE(StoreContainerKey(temp.rig(), &lock, "K1", "Missing", 1, blob));
    EXPECT_FALSE(StoreContainerKey(temp.rig(), &lock, "K9", "Bank", 1, blob));
    stored.plugged = false;
    ASSERT_TRUE(temp.rig().Save(stored));
    EXPECT_FALSE(StoreContainerKey(temp.rig(), &lock, "K1", "Bank", 1, blob)) << "pulled out";
}

} // namespace
