// Kestrun under every Windows family Wine can present: the right setup program from the right
// folder, waited for, shown, given nothing, and exit code 0 whatever happens.
#include "pe_image.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Kestrun.exe";

void SetKestrunWindowsVersion(const char* version) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct KestrunRun {
    DWORD exitCode = 99;
    DWORD elapsedMs = 0;        // from start, or from the shell's error box being answered
    bool shellReported = false; // the shell showed its own "cannot find" box
};

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisibleWindowOf(HWND hwnd, LPARAM data) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

KestrunRun RunKestrun(const std::string& cwd, const std::string& arguments,
                      WORD show = SW_SHOWMINIMIZED) {
    std::string command = "\"" + keystead_test::BinDir() + "\\Kestrun.exe\"" + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    PROCESS_INFORMATION pi = {};
    KestrunRun run;
    const DWORD start = GetTickCount();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si,
                        &pi)) {
        ADD_FAILURE() << "cannot start Kestrun: " << GetLastError();
        return run;
    }
    DWORD from = start;
    // A program the shell cannot find is reported by the shell itself, in a box it owns in
    // Kestrun's process; Kestrun adds nothing of its own. Answer that box as a user would.
    while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT && GetTickCount() - start < 30000) {
        WindowSearch search = {pi.dwProcessId, nullptr};
        EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            run.shellReported = true;
            PostMessageA(search.found, WM_CLOSE, 0, 0);
            from = GetTickCount();
        }
    }
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "Kestrun did not end";
        TerminateProcess(pi.hProcess, 1);
    }
    run.elapsedMs = GetTickCount() - from;
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return run;
}

class KestrunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        package_ = keystead_test::MakeTempDir("package");
        const std::string standin = keystead_test::TestBinDir() + "\\setup_standin.exe";
        CreateDirectoryA((package_ + "\\setup").c_str(), nullptr);
        CreateDirectoryA((package_ + "\\win98").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(standin.c_str(),
                              (package_ + "\\setup\\ZQTM_USBKEY_Setup.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(standin.c_str(), (package_ + "\\win98\\Setup.exe").c_str(), FALSE));
        SetEnvironmentVariableA("STANDIN_EXIT_CODE", nullptr);
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
        keystead_test::RemoveTree(package_);
    }
    std::string Record(const char* folder) {
        return ReadAll(package_ + "\\" + folder + "\\record.txt");
    }

    std::string package_;
};

struct Family {
    const char* wineVersion;
    const char* folder;
    const char* program;
};

class KestrunFamilyTest : public KestrunTest, public ::testing::WithParamInterface<Family> {};

void PrintTo(const Family& family, std::ostream* out) {
    *out << family.wineVersion;
}

} // namespace

TEST_P(KestrunFamilyTest, StartsTheFittingSetupFromItsFolderShownWithoutArgumentsAndWaits) {
    const Family& f = GetParam();
    SetKestrunWindowsVersion(f.wineVersion);
    KestrunRun run = RunKestrun(package_, " /quiet extra arguments");
    EXPECT_EQ(run.exitCode, 0u);

    const char* other = std::string(f.folder) == "setup" ? "win98" : "setup";
    const std::string record = Record(f.folder);
    EXPECT_NE(record.find(std::string("\\") + f.folder + "\\" + f.program), std::string::npos)
        << record;
    EXPECT_NE(record.find("cwd=" + package_ + "\\" + f.folder), std::string::npos) << record;
    EXPECT_NE(record.find("\nargs=\n"), std::string::npos) << "arguments were passed on";
    EXPECT_NE(record.find("\nshow=5\n"), std::string::npos) << "not shown with SW_SHOW";
    EXPECT_NE(record.find("ended"), std::string::npos) << "Kestrun ended before its setup";
    EXPECT_EQ(Record(other), "") << "the other package was started too";
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, KestrunFamilyTest,
                         ::testing::Values(Family{"win95", "win98", "Setup.exe"},
                                           Family{"win98", "win98", "Setup.exe"},
                                           Family{"winme", "win98", "Setup.exe"},
                                           Family{"nt40", "win98", "Setup.exe"},
                                           Family{"win2k", "setup", "ZQTM_USBKEY_Setup.exe"},
                                           Family{"winxp", "setup", "ZQTM_USBKEY_Setup.exe"},
                                           Family{"vista", "setup", "ZQTM_USBKEY_Setup.exe"},
                                           Family{"win7", "setup", "ZQTM_USBKEY_Setup.exe"},
                                           Family{"win81", "setup", "ZQTM_USBKEY_Setup.exe"},
                                           Family{"win10", "setup", "ZQTM_USBKEY_Setup.exe"}),
                         [](const ::testing::TestParamInfo<Family>& param) {
                             return std::string(param.param.wineVersion);
                         });

TEST_F(KestrunTest, ExitsWithZeroWhenTheSetupProgramFails) {
    SetKestrunWindowsVersion("winxp");
    SetEnvironmentVariableA("STANDIN_EXIT_CODE", "7");
    KestrunRun run = RunKestrun(package_, "");
    SetEnvironmentVariableA("STANDIN_EXIT_CODE", nullptr);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(Record("setup").find("ended"), std::string::npos);
}

TEST_F(KestrunTest, ExitsAtOnceWithZeroWhenTheSetupProgramIsMissing) {
    SetKestrunWindowsVersion("win98");
    ASSERT_TRUE(DeleteFileA((package_ + "\\win98\\Setup.exe").c_str()));
    KestrunRun run = RunKestrun(package_, "");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.shellReported);
    // Nothing is left to wait for; the margin only covers the platform ending the process.
    EXPECT_LT(run.elapsedMs, 10000u) << "Kestrun waited although nothing was started";
    EXPECT_EQ(Record("setup"), "");
}

TEST_F(KestrunTest, StartedFromAnotherFolderItFindsNothingAndExitsWithZero) {
    SetKestrunWindowsVersion("win7");
    const std::string elsewhere = keystead_test::MakeTempDir("elsewhere");
    KestrunRun run = RunKestrun(elsewhere, "");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.shellReported);
    EXPECT_LT(run.elapsedMs, 10000u);
    EXPECT_EQ(Record("setup"), "");
    EXPECT_EQ(Record("win98"), "");
    keystead_test::RemoveTree(elsewhere);
}

TEST(KestrunProgram, IsAWindowsSubsystemProgramWithoutConsole) {
    using namespace keystead_test;
    std::vector<std::pair<std::string, std::uint16_t>> programs = {
        {BinDir() + "\\Kestrun.exe", ThisBuildsMachine()}};
    // A 64-bit test build still checks the 32-bit program that ships.
    if (ShippedBinDir() != BinDir())
        programs.push_back({ShippedBinDir() + "\\Kestrun.exe", ShippedMachine()});
    for (const auto& [path, machine] : programs) {
        SCOPED_TRACE(path);
        const PeImage image = ReadPeImage(path);
        ASSERT_TRUE(image.ok);
        EXPECT_EQ(image.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
        EXPECT_EQ(image.machine, machine);
    }
}
