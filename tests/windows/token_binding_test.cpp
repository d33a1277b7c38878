// Binding the token library is all or nothing, against real DLLs loaded by the real loader.
#include "test_paths.h"
#include "vendor_functions.h"
#include "token/vendor_entries.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using keystead_test::BinDir;
using keystead_test::kVendorFunctionNames;
using keystead_test::TestBinDir;

namespace {

std::string LibraryIn(const std::string& dir) {
    return dir + "\\ZQCSP.dll";
}

} // namespace

TEST(TokenBinding, TheSimulatorBindsAllTwentyFiveEntriesAndUnbindUnloadsIt) {
    g_tokenApi = TokenApi();
    HMODULE library = reinterpret_cast<HMODULE>(1);
    ASSERT_EQ(BindTokenApi(LibraryIn(BinDir()).c_str(), &library), 1);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetModuleHandleA("ZQCSP.dll"), library);

    // Every slot holds the entry the library exports under that name.
    const void* const* slots = reinterpret_cast<const void* const*>(&g_tokenApi);
    static_assert(sizeof(TokenApi) == 25 * sizeof(void*), "one slot per name");
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(slots[i],
                  reinterpret_cast<const void*>(GetProcAddress(library, kVendorFunctionNames[i])))
            << kVendorFunctionNames[i];
    }
    std::uint32_t size = 0, count = 0;
    EXPECT_EQ(g_tokenApi.ZQ_ListAllDev(nullptr, &size, &count), 0);

    UnbindTokenApi(library);
    EXPECT_EQ(GetModuleHandleA("ZQCSP.dll"), nullptr);
    UnbindTokenApi(nullptr); // no library: nothing to free, nothing breaks
}

TEST(TokenBinding, NoLibraryMeansNoBinding) {
    const std::string empty = keystead_test::MakeTempDir("nolib");
    HMODULE library = reinterpret_cast<HMODULE>(1);
    EXPECT_EQ(BindTokenApi(LibraryIn(empty).c_str(), &library), 0);
    EXPECT_EQ(library, nullptr);
    keystead_test::RemoveTree(empty);
}

class MissingName : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingName, FailsTheWholeBindingAndReleasesTheLibrary) {
    const std::string dir = TestBinDir() + "\\variants\\without_" + GetParam();
    ASSERT_NE(GetFileAttributesA((dir + "\\ZQCSP.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    {
        // The variant really lacks that name and only that one.
        HMODULE probe = LoadLibraryExA((dir + "\\ZQCSP.dll").c_str(), nullptr, 0);
        ASSERT_NE(probe, nullptr);
        int present = 0;
        for (const char* name : kVendorFunctionNames)
            present += GetProcAddress(probe, name) != nullptr;
        EXPECT_EQ(GetProcAddress(probe, GetParam()), nullptr);
        EXPECT_EQ(present, 24);
        FreeLibrary(probe);
    }
    HMODULE library = reinterpret_cast<HMODULE>(1);
    EXPECT_EQ(BindTokenApi(LibraryIn(dir).c_str(), &library), 0);
    EXPECT_EQ(library, nullptr);
    EXPECT_EQ(GetModuleHandleA("ZQCSP.dll"), nullptr) << "the library must be unloaded again";
}

INSTANTIATE_TEST_SUITE_P(EachOfTheTwentyFive, MissingName,
                         ::testing::ValuesIn(kVendorFunctionNames),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return std::string(param.param);
                         });
