// Keystead started, scanning and showing its tree and command state, driven from outside as a
// person would, against virtual tokens; the simulator's log shows what it did to them.
#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"
#include "tray_reader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>

using namespace keystead_test;

namespace {

const int kRefresh = IDC_REFRESH, kChangePin = IDC_CHANGE_PIN, kViewCert = IDC_VIEW_CERT,
          kRegister = IDC_REGISTER_CERT, kUnregister = IDC_UNREGISTER_CERT,
          kDacBinding = IDC_DAC_BINDING, kSystemInfo = IDC_SYSTEM_INFO, kQuit = IDCANCEL;

int Count(const std::vector<LogLine>& log, const std::string& function, long result) {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const LogLine& l) {
        return l.function == function && l.result == result;
    }));
}

int Count(const std::vector<LogLine>& log, const std::string& function) {
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [&](const LogLine& l) { return l.function == function; }));
}

void ExpectBracketsBalanced(const std::vector<LogLine>& log) {
    EXPECT_EQ(BracketFault(log), "");
}

class KeysteadScanTest : public ::testing::Test {
  protected:
    void SetUp() override { SetWindowsVersion("Keystead.exe", "winxp"); }
    void TearDown() override { app_.Kill(); }

    std::vector<TreeItem> Roots() {
        std::vector<TreeItem> roots;
        for (const TreeItem& item : app_.Tree())
            if (item.depth == 0)
                roots.push_back(item);
        return roots;
    }
    TreeItem Find(const std::string& text) {
        for (const TreeItem& item : app_.Tree())
            if (item.text == text)
                return item;
        ADD_FAILURE() << "no item " << text << " in\n" << app_.TreeText();
        return TreeItem();
    }
    std::vector<LogLine> Log() { return rig_.SettledLogOf(app_.pid()); }
    // The names of the enabled command buttons, in the window's order.
    std::string EnabledButtons() {
        const struct {
            int id;
            const char* name;
        } buttons[] = {{kRefresh, "Refresh"},       {kChangePin, "ChangePin"},
                       {kViewCert, "ViewCert"},     {kRegister, "Register"},
                       {kUnregister, "Unregister"}, {kDacBinding, "DacBinding"},
                       {kSystemInfo, "SystemInfo"}, {kQuit, "Quit"}};
        std::string enabled;
        for (const auto& b : buttons)
            if (app_.ButtonEnabled(b.id))
                enabled += (enabled.empty() ? "" : " ") + std::string(b.name);
        return enabled;
    }

    TestRig rig_;
    KeysteadRun app_;
};

} // namespace

TEST_F(KeysteadScanTest, ShowsTokensContainersAndCertificatesInTheirOrder) {
    ASSERT_EQ(rig_.Ctl("create T1 --changed --slot 1 --root --container Alpha:both "
                       "--container zrb_OnLineBank_Root_Cert:sign --container Beta:sign "
                       "--container Empty:none"),
              0);
    ASSERT_EQ(rig_.Ctl("create T2 --changed --slot 2 --container Gamma:exch"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    // The bank's root container is read but never shown; one differing in case is ordinary.
    EXPECT_EQ(app_.TreeText(), "USB_Key_1\n"
                               "  Alpha\n"
                               "    Encryption certificate.\n"
                               "    Signature certificate.\n"
                               "  zrb_OnLineBank_Root_Cert\n"
                               "    Signature certificate.\n"
                               "  Beta\n"
                               "    Signature certificate.\n"
                               "  Empty\n"
                               "*USB_Key_2\n"
                               "  Gamma\n"
                               "    Encryption certificate.\n");
    const std::vector<LogLine> log = Log();
    EXPECT_EQ(Count(log, "ZQ_TokenGetCert", 0), 6) << "the root certificate is read too";
    ExpectBracketsBalanced(log);
    EXPECT_EQ(EnabledButtons(), "Refresh ChangePin DacBinding SystemInfo Quit")
        << "token item selected; T2 allows a card binding";
}

TEST_F(KeysteadScanTest, TokensKeepTheirListPositionWhenOthersFailToOpenOrAnswer) {
    for (const char* serial : {"A", "B", "C"})
        ASSERT_EQ(rig_.Ctl(std::string("create ") + serial + " --changed --slot " +
                           std::to_string(serial[0] - 'A' + 1) + " --container " + serial),
                  0);
    // The first does not open; the second opens but answers its serial query with 0.
    ASSERT_EQ(rig_.Ctl("fault ZQ_OpenDev nth=1 status=0x6A82"), 0);
    ASSERT_EQ(rig_.Ctl("fault ZQPro_GetSn nth=1 status=0"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    EXPECT_EQ(app_.TreeText(), "*USB_Key_3\n  C\n    Encryption certificate.\n"
                               "    Signature certificate.\n");
    const std::vector<LogLine> log = Log();
    EXPECT_EQ(Count(log, "ZQ_CloseDev"), 4) << "B is closed after its failed answer, C at its end,"
                                            << " by its monitor and after the selection query";
    EXPECT_EQ(Count(log, "ZQ_IsDefaultPin"), 1) << "only C, which answered, is examined";
    ExpectBracketsBalanced(log);
}

TEST_F(KeysteadScanTest, NoTokenShowsOnlyNoFindDeviceAndOffersOnlyRefresh) {
    ASSERT_TRUE(app_.Start(rig_.dir()));
    // The scan selects nothing; a tree view that gets the focus may select its first item
    // by itself, which changes nothing here.
    ASSERT_EQ(Roots().size(), 1u);
    EXPECT_EQ(Roots()[0].text, "No find Device!");
    EXPECT_EQ(EnabledButtons(), "Refresh SystemInfo Quit");
    app_.Select(Roots().at(0).handle);
    EXPECT_EQ(EnabledButtons(), "Refresh SystemInfo Quit");
    const std::vector<LogLine> log = Log();
    EXPECT_EQ(Count(log, "ZQ_OpenDev"), 0);
    ExpectBracketsBalanced(log);
}

TEST_F(KeysteadScanTest, AFailingListingLeavesTheTreeEmptyUntilTheNextGoodScan) {
    ASSERT_EQ(rig_.Ctl("create L1 --changed"), 0);
    ASSERT_EQ(rig_.Ctl("fault ZQ_ListAllDev nth=2 status=0x6F00"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    EXPECT_EQ(app_.TreeText(), "") << "no 'No find Device!' either";

    ASSERT_EQ(rig_.Ctl("faults-clear"), 0);
    app_.Click(kRefresh);
    EXPECT_EQ(Roots().size(), 1u);

    ASSERT_EQ(rig_.Ctl("fault ZQ_ListAllDev nth=1 status=0x6F00"), 0);
    app_.Click(kRefresh);
    EXPECT_EQ(app_.TreeText(), "");
    EXPECT_EQ(EnabledButtons(), "Refresh SystemInfo Quit");
    ExpectBracketsBalanced(Log());
}

TEST_F(KeysteadScanTest, ButtonsFollowTheSelectedItemAndTheTokensCardAnswer) {
    ASSERT_EQ(rig_.Ctl("create A --changed --slot 1 --dac 0 --container Ca:both"), 0);
    ASSERT_EQ(rig_.Ctl("create B --changed --slot 2 --dac 2 --container Cb:sign"), 0);
    ASSERT_EQ(rig_.Ctl("create C --changed --slot 3 --dac 1 --container Cc:sign"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    EXPECT_EQ(EnabledButtons(), "Refresh ChangePin SystemInfo Quit")
        << "C's token item, whose answer 1 refuses a binding";
    EXPECT_TRUE(Find("USB_Key_3").selected);

    std::vector<TreeItem> items = app_.Tree();
    auto item = [&](int token, int depth, int nth = 0) {
        int tokenIndex = -1;
        for (const TreeItem& t : items) {
            if (t.depth == 0)
                ++tokenIndex;
            if (tokenIndex == token && t.depth == depth && nth-- == 0)
                return t.handle;
        }
        return static_cast<HTREEITEM>(nullptr);
    };
    app_.Select(item(0, 1));
    EXPECT_EQ(EnabledButtons(), "Refresh DacBinding SystemInfo Quit") << "A's container";
    app_.Select(item(0, 2, 1));
    EXPECT_EQ(EnabledButtons(), "Refresh ViewCert Register Unregister DacBinding SystemInfo Quit")
        << "A's certificate";
    app_.Select(item(1, 0));
    EXPECT_EQ(EnabledButtons(), "Refresh ChangePin DacBinding SystemInfo Quit")
        << "B answers 2: a binding is offered";
    app_.Select(item(2, 2));
    EXPECT_EQ(EnabledButtons(), "Refresh ViewCert Register Unregister SystemInfo Quit")
        << "C's certificate";
    app_.Select(item(2, 1));
    EXPECT_EQ(EnabledButtons(), "Refresh SystemInfo Quit") << "C's container";

    ASSERT_EQ(rig_.Ctl("pull A"), 0);
    app_.Select(item(0, 0));
    EXPECT_EQ(EnabledButtons(), "Refresh ChangePin SystemInfo Quit")
        << "pulled since the scan: no card binding";
    ExpectBracketsBalanced(Log());
}

TEST_F(KeysteadScanTest, GarbledDeviceListsNeverLeadPastTheListedBytes) {
    ASSERT_EQ(rig_.Ctl("create G1 --changed --slot 1 --container One"), 0);
    ASSERT_EQ(rig_.Ctl("create G2 --changed --slot 2 --container Two"), 0);

    // More names announced than the bytes hold: only the complete ones count.
    ASSERT_EQ(rig_.Ctl("fault ZQ_ListAllDev count=9"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    EXPECT_EQ(Roots().size(), 2u) << app_.TreeText();

    // The last name without its terminator is not used at all.
    ASSERT_EQ(rig_.Ctl("faults-clear"), 0);
    ASSERT_EQ(rig_.Ctl("fault ZQ_ListAllDev unterminated=1"), 0);
    rig_.ClearLog();
    app_.Click(kRefresh);
    ASSERT_EQ(Roots().size(), 1u) << app_.TreeText();
    EXPECT_EQ(Roots()[0].text, "USB_Key_1");
    for (const LogLine& line : Log()) {
        if (line.function == "ZQ_OpenDev") {
            EXPECT_EQ(line.device, "\\\\.\\VELQUKEY_G1");
        }
    }

    // A first name too long for a record is never opened, cut or whole; it keeps its place.
    ASSERT_EQ(rig_.Ctl("faults-clear"), 0);
    ASSERT_EQ(rig_.Ctl("fault ZQ_ListAllDev long_name=300"), 0);
    rig_.ClearLog();
    app_.Click(kRefresh);
    ASSERT_EQ(Roots().size(), 2u) << app_.TreeText();
    EXPECT_EQ(Roots()[0].text, "USB_Key_2");
    EXPECT_EQ(Roots()[1].text, "USB_Key_3");
    for (const LogLine& line : Log()) {
        if (line.function == "ZQ_OpenDev") {
            EXPECT_EQ(line.device.find("LONG"), std::string::npos) << line.device;
        }
    }
    ExpectBracketsBalanced(Log());
}

TEST_F(KeysteadScanTest, CertificatesBeyondReasonAreLeftOutAndLargeOnesKept) {
    ASSERT_EQ(rig_.Ctl("create S1 --changed --container Normal:both"), 0);
    // 6000 bytes: more than the 4096 a record was first meant for.
    const std::string big = rig_.dir() + "\\big.der";
    {
        std::ofstream out(big, std::ios::binary);
        out << std::string(6000, '\x30');
    }
    ASSERT_EQ(rig_.Ctl("add-cert S1 Large sign \"" + big + "\""), 0);
    ASSERT_EQ(rig_.Ctl("fault ZQ_TokenGetCertSize nth=1 size=0x7FFFFFFF"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    EXPECT_EQ(app_.TreeText(), "*USB_Key_1\n"
                               "  Normal\n"
                               "    Signature certificate.\n"
                               "  Large\n"
                               "    Signature certificate.\n")
        << "the encryption certificate's size was absurd";
    const std::vector<LogLine> log = Log();
    EXPECT_EQ(Count(log, "ZQ_TokenGetCert"), 2) << "no read of the absurd size";
    ExpectBracketsBalanced(log);
}

TEST_F(KeysteadScanTest, ASecondInstanceEndsAtOnceAndLeavesTheFirstAsItWas) {
    ASSERT_EQ(rig_.Ctl("create I1 --changed"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    const HWND first = app_.main();
    const std::string before = app_.TreeText();

    KeysteadRun second;
    ASSERT_TRUE(second.Launch(rig_.dir()));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(15000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(rig_.LogOf(second.pid()).empty()) << "the second instance touched the token";
    EXPECT_TRUE(IsWindow(first));
    EXPECT_EQ(app_.TreeText(), before);
}

namespace {

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

TEST_F(KeysteadScanTest, AnyWindowTitledKeysteadInAnyCaseKeepsItFromStarting) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SomeOtherProgram";
    RegisterClassA(&wc);
    HWND other = CreateWindowA(wc.lpszClassName, "kEYSTEAD", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                               nullptr, wc.hInstance, nullptr); // hidden
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(rig_.Ctl("create W1 --changed"), 0);
    ASSERT_TRUE(app_.Launch(rig_.dir()));
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitExit(15000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(Log().empty());
    DestroyWindow(other);
}

// A working library planted in the working folder and in a folder on PATH is never taken: only
// Keystead's own folder and the system folder count.
TEST_F(KeysteadScanTest, WithoutItsOwnLibraryItSaysSoAndEndsWithZeroWhateverIsPlantedElsewhere) {
    const KeysteadWithoutLibrary alone;
    ASSERT_TRUE(alone.ok());
    const std::string working = MakeTempDir("planted-cwd"), onPath = MakeTempDir("planted-path");
    for (const std::string& dir : {working, onPath})
        ASSERT_TRUE(
            CopyFileA((BinDir() + "\\ZQCSP.dll").c_str(), (dir + "\\ZQCSP.dll").c_str(), FALSE));
    char path[8192] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (onPath + ";" + path).c_str());
    app_.SetWorkingFolder(working);
    const bool launched = app_.Launch(rig_.dir(), alone.path());
    SetEnvironmentVariableA("PATH", path);
    ASSERT_TRUE(launched);
    HWND box = app_.WaitForDialog("Prompt");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Load CSP dynamic library failed.");
    // A hard stop takes the icon along first. Wine drops the icons of a window that goes, so
    // only a look while Keystead still runs can tell.
    EXPECT_EQ(TrayTipsReading(L"Keystead"), 0) << "the icon outlives Keystead";
    AnswerDialog(box, IDOK);
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitExit(15000, &code));
    EXPECT_EQ(code, 0u);
    app_.Kill(); // before its folder goes
    RemoveTree(working);
    RemoveTree(onPath);
}

// Vista and every Windows after it, told their true version by the manifest (10 says 10): the
// label is set, and Wine's refusal of it ends Keystead.
TEST_F(KeysteadScanTest, OnTheVistaFamilyAndAfterAFailedIntegrityLabelEndsKeysteadBeforeAnyOpen) {
    ASSERT_EQ(rig_.Ctl("create V1 --changed --slot 1"), 0);
    ASSERT_EQ(rig_.Ctl("create V2 --changed --slot 2"), 0);
    for (const char* version : {"vista", "win7", "win8", "win81", "win10"}) {
        SCOPED_TRACE(version);
        SetWindowsVersion("Keystead.exe", version);
        ASSERT_TRUE(app_.Launch(rig_.dir()));
        DWORD code = 99;
        ASSERT_TRUE(app_.WaitExit(20000, &code));
        SetWindowsVersion("Keystead.exe", "winxp");
        EXPECT_EQ(code, 1u) << "Wine refuses labels on files, so the label fails";
        const std::vector<LogLine> log = Log();
        EXPECT_EQ(Count(log, "ZQ_ListAllDev"), 2);
        EXPECT_EQ(Count(log, "ZQ_OpenDev"), 0) << "the label comes before the open";
    }
}

TEST_F(KeysteadScanTest, OnTheVistaFamilyWithNoTokenNothingIsLabelled) {
    SetWindowsVersion("Keystead.exe", "win7");
    const bool started = app_.Start(rig_.dir());
    SetWindowsVersion("Keystead.exe", "winxp");
    ASSERT_TRUE(started);
    ASSERT_EQ(Roots().size(), 1u);
    EXPECT_EQ(Roots()[0].text, "No find Device!");
}

TEST_F(KeysteadScanTest, TheChineseSetShowsItsTextsAndSetsNoLabelEvenOnVista) {
    ASSERT_EQ(rig_.Ctl("create Z1 --changed --container Zhang:both"), 0);
    SetWindowsVersion("Keystead.exe", "vista");
    const bool started = app_.Start(rig_.dir(), KeysteadPath(true));
    SetWindowsVersion("Keystead.exe", "winxp");
    ASSERT_TRUE(started);
    HMODULE chinese = LoadLibraryExA(KeysteadPath(true).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(chinese, nullptr);
    auto text = [&](UINT id) {
        char buffer[256] = {};
        LoadStringA(chinese, id, buffer, sizeof buffer);
        return std::string(buffer);
    };
    EXPECT_EQ(app_.TreeText(), "*USB_Key_1\n  Zhang\n    " + text(40) + "\n    " + text(41) + "\n");
    EXPECT_EQ(WindowText(app_.main()), "Keystead");
    FreeLibrary(chinese);
}

// Keystead as it runs where the system lacks device notifications and integrity labels (Windows
// 95 and NT 4.0): a test build whose run-time lookups of those functions fail.
std::string KeysteadWithoutLookups() {
    return TestBinDir() + "\\absent\\Keystead.exe";
}

TEST_F(KeysteadScanTest, WithoutLabelFunctionsTheVistaFamilyScansWithNoLabel) {
    ASSERT_EQ(rig_.Ctl("create V1 --changed --container Zhang:both"), 0);
    SetWindowsVersion("Keystead.exe", "vista");
    const bool started = app_.Start(rig_.dir(), KeysteadWithoutLookups());
    SetWindowsVersion("Keystead.exe", "winxp");
    ASSERT_TRUE(started) << "the shipped build ends here, as Wine refuses the label";
    EXPECT_EQ(Roots().size(), 1u);
    EXPECT_EQ(Roots()[0].text, "USB_Key_1");
    DWORD code = 0;
    EXPECT_FALSE(app_.WaitExit(500, &code)) << "ended with " << code;
}

TEST_F(KeysteadScanTest, WithoutDeviceNotificationsRefreshAndShowingStillRescan) {
    SetWindowsVersion("Keystead.exe", "nt40");
    const bool started = app_.Start(rig_.dir(), KeysteadWithoutLookups());
    SetWindowsVersion("Keystead.exe", "winxp");
    ASSERT_TRUE(started);
    ASSERT_EQ(Roots().size(), 1u);
    EXPECT_EQ(Roots()[0].text, "No find Device!");

    ASSERT_EQ(rig_.Ctl("create N1 --changed --container Li:both"), 0);
    app_.Click(kRefresh);
    ASSERT_EQ(Roots().size(), 1u);
    EXPECT_EQ(Roots()[0].text, "USB_Key_1");

    ASSERT_EQ(rig_.Ctl("pull N1"), 0);
    app_.Send(kIconCallback, 128, WM_LBUTTONDBLCLK); // the icon double-clicked shows and rescans
    ASSERT_EQ(Roots().size(), 1u);
    EXPECT_EQ(Roots()[0].text, "No find Device!");
    EXPECT_TRUE(IsWindowVisible(app_.main()));
    ExpectBracketsBalanced(Log());
}
