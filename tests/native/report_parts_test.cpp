// The report's bounded pieces: registry text in its fixed buffer, the provider name test and
// the path of the file test.
#include "install_check/report_parts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using install_check::IsVelqProviderName;
using install_check::SystemFilePath;
using install_check::TextInBuffer;

TEST(ReportParts, RegistryTextEndsAtItsTerminatorAndNeverRunsPastTheBuffer) {
    char buffer[80] = {};
    EXPECT_EQ(TextInBuffer(buffer, sizeof buffer), "") << "nothing read";
    std::memcpy(buffer, "9.11.9600.18376", 15);
    EXPECT_EQ(TextInBuffer(buffer, sizeof buffer), "9.11.9600.18376");

    std::memset(buffer, 'x', 79);
    EXPECT_EQ(TextInBuffer(buffer, sizeof buffer), std::string(79, 'x')) << "the longest that fits";

    // Heap memory, so that a read past its end is caught.
    char* full = new char[80];
    std::memset(full, 'y', 80);
    EXPECT_EQ(TextInBuffer(full, 80), "") << "no terminator: longer than the buffer shows";
    delete[] full;
}

TEST(ReportParts, OnlyNamesBeginningWithVelqInCapitalsAreTheProvider) {
    EXPECT_TRUE(IsVelqProviderName("VELQ Cryptographic Service Provider v2.0.0"));
    EXPECT_TRUE(IsVelqProviderName("VELQ"));
    EXPECT_TRUE(IsVelqProviderName("VELQX"));
    EXPECT_FALSE(IsVelqProviderName("velq Cryptographic Service Provider v2.0.0"));
    EXPECT_FALSE(IsVelqProviderName("Velq CSP"));
    EXPECT_FALSE(IsVelqProviderName("VEL"));
    EXPECT_FALSE(IsVelqProviderName(""));
    EXPECT_FALSE(IsVelqProviderName(" VELQ"));
    EXPECT_FALSE(IsVelqProviderName("Microsoft Base Cryptographic Provider v1.0"));
}

TEST(ReportParts, TheFilePathIsBuiltWithinItsBufferOrNotAtAll) {
    char path[512];
    ASSERT_TRUE(SystemFilePath("C:\\windows\\system32", "zqcsp.dll", path, sizeof path));
    EXPECT_STREQ(path, "C:\\windows\\system32\\zqcsp.dll");
    ASSERT_TRUE(SystemFilePath("", "VELQ_CSP.dll", path, sizeof path));
    EXPECT_STREQ(path, "\\VELQ_CSP.dll") << "without a system directory: the drive's root";

    const std::string directory(500, 'd');
    ASSERT_TRUE(SystemFilePath(directory.c_str(), "0123456789", path, sizeof path));
    EXPECT_EQ(std::strlen(path), 511u) << "the buffer exactly full";
    EXPECT_FALSE(SystemFilePath(directory.c_str(), "0123456789a", path, sizeof path));
    EXPECT_STREQ(path, "") << "a cut-off path could name another file";
    EXPECT_FALSE(SystemFilePath("C:", "x", path, 0));
}
