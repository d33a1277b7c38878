// What a command holds while it waits in a dialog, a box or for the lock bracket: a rescan, a
// second command or the end of Keystead meanwhile must not change which token it acts on, open
// a second dialog, or leave it calling into a library that is gone.
#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const char kArrival[] = "notify arrival --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#9 --timeout 500";

class LifetimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_EQ(rig_.Ctl("create T1 --changed --pin 246813 --slot 2 --container Ann:both"), 0);
    }
    void TearDown() override { app_.Kill(); }

    void Start() {
        ASSERT_TRUE(app_.Start(rig_.dir()));
        const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
        for (const LogLine& line : log)
            if (line.function == "ZQ_OpenDev" && line.result == 0 && chosen_.empty())
                chosen_ = line.device;
        ASSERT_FALSE(chosen_.empty());
        ASSERT_FALSE(app_.Tree().empty());
        app_.Select(app_.Tree()[0].handle);
        rig_.ClearLog();
    }
    void Post(UINT message, WPARAM wp = 0) const {
        const HWND control = message == WM_COMMAND ? GetDlgItem(app_.main(), LOWORD(wp)) : nullptr;
        PostMessageA(app_.main(), message, wp, reinterpret_cast<LPARAM>(control));
    }
    void Click(int id) const { Post(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)); }
    bool Answers(DWORD timeoutMs = 5000) const {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(app_.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs,
                                   &ignored) != 0;
    }
    int DialogsTitled(const std::string& title) const {
        int count = 0;
        for (HWND window : app_.TopWindows())
            count += IsWindowVisible(window) && WindowText(window) == title;
        return count;
    }
    // The devices the token calls of the log opened, in order.
    std::vector<std::string> OpenedDevices() const {
        std::vector<std::string> devices;
        for (const LogLine& line : rig_.LogOf(app_.pid()))
            if (line.function == "ZQ_OpenDev")
                devices.push_back(line.device);
        return devices;
    }
    // Waits for a call logged after the first `after` lines.
    void WaitForCall(const std::string& function, std::size_t after = 0,
                     DWORD timeoutMs = 10000) const {
        const DWORD start = GetTickCount();
        for (;;) {
            const std::vector<LogLine> log = rig_.LogOf(app_.pid());
            for (std::size_t i = after; i < log.size(); ++i)
                if (log[i].function == function)
                    return;
            if (GetTickCount() - start > timeoutMs)
                return;
            Sleep(50);
        }
    }

    TestRig rig_;
    KeysteadRun app_;
    std::string chosen_; // the device of the token the user chose, as the library saw it
};

} // namespace

// A rescan frees the records the tree had; the PIN change still goes to the token chosen.
TEST_F(LifetimeTest, ChangePinActsOnTheChosenTokenAfterARescanUnderItsDialog) {
    Start();
    Click(IDC_CHANGE_PIN);
    HWND dialog = app_.WaitForDialog("Change PIN");
    ASSERT_NE(dialog, nullptr);
    TypeKeys(GetDlgItem(dialog, IDC_OLD_PIN), "246813");
    TypeKeys(GetDlgItem(dialog, IDC_NEW_PIN), "135792");
    TypeKeys(GetDlgItem(dialog, IDC_CONFIRM_PIN), "135792");
    // A new token, listed first, and the icon menu's Refresh while the dialog is up.
    ASSERT_EQ(rig_.Ctl("create N0 --changed --pin 999999 --slot 1 --container Neo:sign"), 0);
    Post(WM_COMMAND, MAKEWPARAM(ID_TRAY_REFRESH, 0));
    WaitForCall("ZQ_ListAllDev");
    rig_.SettledLogOf(app_.pid());
    EXPECT_EQ(app_.Tree().size(), 3u + 4u) << app_.TreeText();
    rig_.ClearLog();

    AnswerDialog(dialog, IDOK);
    HWND box = app_.WaitForDialog("Prompt", 5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Change PIN successful!");
    AnswerAndWaitGone(box, IDOK);
    EXPECT_EQ(OpenedDevices(), std::vector<std::string>{chosen_});
}

// A second click, of the same command or another, does nothing while a command's dialog is up.
TEST_F(LifetimeTest, ASecondCommandWhileADialogIsUpOpensNothing) {
    const struct {
        int button;
        const char* title;
        int field;
    } rows[] = {{IDC_CHANGE_PIN, "Change PIN", IDC_OLD_PIN},
                {IDC_DAC_BINDING, "User PIN", IDC_USER_PIN}};
    ASSERT_EQ(rig_.Ctl("set T1 dac=2"), 0);
    Start();
    for (const auto& row : rows) {
        Click(row.button);
        HWND dialog = app_.WaitForDialog(row.title);
        ASSERT_NE(dialog, nullptr) << row.title;
        for (int second : {IDC_CHANGE_PIN, IDC_DAC_BINDING, IDC_SYSTEM_INFO, row.button})
            Click(second);
        Sleep(500);
        EXPECT_TRUE(Answers()) << row.title;
        EXPECT_EQ(DialogsTitled(row.title), 1) << row.title;
        EXPECT_EQ(
            DialogsTitled("Prompt") + DialogsTitled(ResourceText(false, IDS_SYSTEM_INFORMATION)), 0)
            << row.title;
        TypeKeys(GetDlgItem(dialog, row.field), "2468");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, row.field)), "****") << row.title;
        AnswerAndWaitGone(dialog, IDCANCEL);
        EXPECT_TRUE(Answers()); // the command has closed what it opened
    }
    EXPECT_EQ(BracketFault(rig_.SettledLogOf(app_.pid())), "");
}

// "End task" and the end request cancel the open dialog first; the command closes what it
// opened, the library goes only after that, and Keystead ends cleanly.
TEST_F(LifetimeTest, EndingWhileADialogIsUpCancelsItAndFreesTheLibraryLast) {
    const struct {
        UINT message;
        int button;
        const char* title;
    } rows[] = {{WM_CLOSE, IDC_DAC_BINDING, "User PIN"},
                {kEndRequest, IDC_DAC_BINDING, "User PIN"},
                {WM_CLOSE, IDC_CHANGE_PIN, "Change PIN"}};
    ASSERT_EQ(rig_.Ctl("set T1 dac=2"), 0);
    for (const auto& row : rows) {
        const std::string what = std::string(row.title) + " / " + std::to_string(row.message);
        Start();
        Click(row.button);
        HWND dialog = app_.WaitForDialog(row.title);
        ASSERT_NE(dialog, nullptr) << what;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(app_.main(), row.message, 0, 0, SMTO_NORMAL, 2000, &ignored);
        DWORD code = 1;
        EXPECT_TRUE(app_.WaitExit(10000, &code)) << what << ": Keystead did not end";
        EXPECT_EQ(code, 0u) << what;
        bool unloaded = false;
        EXPECT_EQ(rig_.CallsAfterUnload(app_.pid(), &unloaded), 0) << what;
        EXPECT_EQ(BracketFault(rig_.LogOf(app_.pid())),
                  row.button == IDC_CHANGE_PIN ? "no call at all" : "")
            << what;
        app_.Kill();
        chosen_.clear();
    }
}

// A refresh that arrives while a scan serves messages (as a store's confirmation or a library's
// own window makes it do) never starts a scan inside it, whatever the monitors of the previous
// scan left in the busy flag.
TEST_F(LifetimeTest, AScanNeverStartsInsideAnother) {
    ASSERT_EQ(rig_.Ctl("create T2 --changed --pin 246813 --slot 3 --container Bo:both"), 0);
    Start();
    ASSERT_EQ(rig_.Ctl("fault ZQ_IsDefaultPin threads=workers delay=1500"), 0);
    Click(IDC_REFRESH); // its two monitors take the bracket one after the other, slowly
    WaitForCall("ZQ_IsDefaultPin");
    Sleep(200); // the first monitor has ended and cleared the flag; the second holds the bracket
    ASSERT_EQ(rig_.Ctl("fault ZQ_TokenGetCert threads=main delay=2500 serve=1 nth=1"), 0);
    const std::size_t before = rig_.LogOf(app_.pid()).size();
    Click(IDC_REFRESH); // waits for the second monitor, which clears the flag once more
    WaitForCall("ZQ_TokenGetCertSize", before);
    Sleep(300);
    EXPECT_EQ(rig_.Ctl(kArrival), 0);
    rig_.SettledLogOf(app_.pid(), 20000);
    EXPECT_TRUE(Answers());
    int nested = 0;
    for (const LogLine& line : rig_.LogOf(app_.pid()))
        nested += line.function == "ZQ_ListAllDev" && line.depth > 1;
    EXPECT_EQ(nested, 0) << "a scan ran inside another scan's bracket";
    EXPECT_EQ(app_.Tree().size(), 2u * (1u + 1u + 2u)) << app_.TreeText();
}
