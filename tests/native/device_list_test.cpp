// The device list comes from the vendor library: it is read within the bytes reported, whatever
// the count says, and names too long for a record are marked, never cut.
#include "token/device_list.h"

#include <gtest/gtest.h>

#include <string>

using token::ListedDevice;
using token::ParseDeviceList;

namespace {

std::vector<ListedDevice> Parse(const std::string& bytes, std::uint32_t count) {
    return ParseDeviceList(bytes.data(), static_cast<std::uint32_t>(bytes.size()), count);
}

} // namespace

TEST(DeviceList, NamesFollowOneAnotherAndKeepTheirPositions) {
    const std::string bytes = std::string("\\\\.\\A") + '\0' + "B" + '\0' + "CC" + '\0';
    std::vector<ListedDevice> devices = Parse(bytes, 3);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(std::string(devices[0].name), "\\\\.\\A");
    EXPECT_EQ(devices[1].position, 2);
    EXPECT_EQ(devices[2].length, 2u);
    EXPECT_TRUE(devices[2].fits);
}

TEST(DeviceList, ACountThatDisagreesWithTheBytesNeverLeadsPastThem) {
    const std::string bytes = std::string("A") + '\0' + "B" + '\0';
    EXPECT_EQ(Parse(bytes, 7).size(), 2u) << "only the complete names there are";
    EXPECT_EQ(Parse(bytes, 1).size(), 1u) << "no more than announced";
    EXPECT_TRUE(Parse(bytes, 0).empty());
    EXPECT_TRUE(ParseDeviceList(nullptr, 10, 3).empty());
    EXPECT_TRUE(ParseDeviceList(bytes.data(), 0, 3).empty());
}

TEST(DeviceList, ANameWithoutItsTerminatorIsNotUsed) {
    const std::string bytes = std::string("A") + '\0' + "BROKEN";
    std::vector<ListedDevice> devices = Parse(bytes, 2);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(std::string(devices[0].name), "A");
    EXPECT_TRUE(Parse("NOZERO", 1).empty());
}

TEST(DeviceList, NamesTooLongForTheRecordAreMarkedAndStillCount) {
    const std::string longest(255, 'x'), tooLong(256, 'y');
    const std::string bytes = longest + '\0' + tooLong + '\0' + "after" + '\0';
    std::vector<ListedDevice> devices = Parse(bytes, 3);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_TRUE(devices[0].fits) << "255 bytes and the terminator fill the field exactly";
    EXPECT_FALSE(devices[1].fits);
    EXPECT_EQ(devices[1].length, 256u);
    EXPECT_EQ(devices[2].position, 3);
    EXPECT_TRUE(devices[2].fits);
    // The same rule with the monitor's smaller field.
    EXPECT_FALSE(
        ParseDeviceList(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 1, 200)[0].fits);
}

TEST(DeviceList, EmptyNamesAreNamesToo) {
    const std::string bytes = std::string("") + '\0' + "B" + '\0';
    std::vector<ListedDevice> devices = Parse(bytes, 2);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].length, 0u);
    EXPECT_EQ(devices[1].position, 2);
}
