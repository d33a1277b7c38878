// The default-PIN prompt as a person meets it: a token still on its factory PIN, Keystead
// started over it, the prompt answered key by key; the token's side read from the simulator.
#include "keystead_driver.h"
#include "process_memory.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const int kOldPin = IDC_OLD_PIN, kNewPin = IDC_NEW_PIN, kConfirmPin = IDC_CONFIRM_PIN,
          kTrayRefresh = ID_TRAY_REFRESH;
const char kFactoryPin[] = "12345678";

int Count(const std::vector<LogLine>& log, const std::string& function) {
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [&](const LogLine& l) { return l.function == function; }));
}

class DefaultPinTest : public ::testing::Test {
  protected:
    void SetUp() override { SetWindowsVersion("Keystead.exe", "winxp"); }
    void TearDown() override { app_.Kill(); }

    std::string Text(UINT id) { return ResourceText(chinese_, id); }
    // Starts Keystead and returns the prompt that its first scan brings up.
    HWND StartPrompted(bool chinese = false) {
        chinese_ = chinese;
        if (!app_.Start(rig_.dir(), KeysteadPath(chinese)))
            return nullptr;
        return NextPrompt();
    }
    // The prompt shown next, once the one before has gone; nullptr when none comes.
    HWND NextPrompt(DWORD timeoutMs = 10000) {
        for (int i = 0; i < 250 && prompt_ && IsWindow(prompt_); ++i)
            Sleep(20);
        prompt_ = app_.WaitForDialog(Text(92), timeoutMs);
        return prompt_;
    }
    HWND Field(int id) const { return GetDlgItem(prompt_, id); }
    void Fill(const std::string& oldPin, const std::string& newPin) {
        TypeKeys(Field(kOldPin), oldPin);
        TypeKeys(Field(kNewPin), newPin);
        TypeKeys(Field(kConfirmPin), newPin);
    }
    // The box that follows, answered; "" when none came.
    std::string AnswerBox() {
        HWND box = app_.WaitForDialog(Text(4), 5000);
        if (!box)
            return "";
        boxOwner_ = GetWindow(box, GW_OWNER);
        const std::string text = MessageBoxText(box);
        AnswerAndWaitGone(box, IDOK);
        return text;
    }
    std::string Submit(const std::string& oldPin, const std::string& newPin) {
        Fill(oldPin, newPin);
        AnswerDialog(prompt_, IDOK);
        return AnswerBox();
    }
    int Scans() { return Count(rig_.LogOf(app_.pid()), "ZQ_ListAllDev") / 2; }
    // Pulled while prompted: the tray still answers, a refresh is dropped without a wait, the
    // removal closes the prompt and warns, and the monitor ends silently with all closed.
    void PullWhilePrompted() {
        const int scansBefore = Scans();
        PostMessageA(app_.main(), WM_COMMAND, kTrayRefresh, 0);
        PostMessageA(app_.main(), kIconCallback, 128, WM_LBUTTONDBLCLK);
        DWORD_PTR ignored = 0;
        EXPECT_NE(SendMessageTimeoutA(app_.main(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored), 0)
            << "the window thread waits behind the prompt";
        EXPECT_EQ(Scans(), scansBefore) << "a scan ran under the prompt";

        ASSERT_EQ(rig_.Ctl("pull P1"), 0);
        ASSERT_EQ(rig_.Ctl("notify removal --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#1 --timeout 500"),
                  0);
        HWND box = app_.WaitForDialog(Text(91));
        ASSERT_NE(box, nullptr) << "no removal warning";
        EXPECT_EQ(MessageBoxText(box), Text(90));
        for (int i = 0; i < 100 && IsWindow(prompt_); ++i)
            Sleep(20);
        EXPECT_FALSE(IsWindow(prompt_)) << "the prompt stayed open";
        const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
        EXPECT_EQ(BracketFault(log), "");
        EXPECT_EQ(Count(log, "ZQ_ToKenChangeUser"), 0);
        AnswerAndWaitGone(box, IDOK); // a closing box could be taken for a new one
        EXPECT_EQ(app_.WaitForDialog(Text(91), 1000), nullptr) << "the monitor said something";
    }

    TestRig rig_;
    KeysteadRun app_;
    bool chinese_ = false;
    HWND prompt_ = nullptr;
    HWND boxOwner_ = nullptr;
};

} // namespace

TEST_F(DefaultPinTest, AFactoryPinMustBeReplacedAndOnlyAnAcceptedOneReachesTheToken) {
    ASSERT_EQ(rig_.Ctl("create P1 --container Li:both"), 0);
    ASSERT_NE(StartPrompted(), nullptr) << "no prompt after the scan";
    EXPECT_EQ(GetWindow(prompt_, GW_OWNER), app_.main());
    EXPECT_FALSE(IsWindowEnabled(app_.main())) << "the main window is disabled under it";
    EXPECT_EQ(GetDlgItem(prompt_, IDCANCEL), nullptr);
    EXPECT_EQ(app_.TreeText(), "*USB_Key_1\n  Li\n    Encryption certificate.\n"
                               "    Signature certificate.\n");
    const std::vector<LogLine> before = rig_.LogOf(app_.pid());

    // Escape, through the prompt's own loop as a key press comes, does nothing.
    TypeKeys(Field(kOldPin), "1");
    PostMessageA(Field(kOldPin), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(Field(kOldPin), WM_CHAR, VK_ESCAPE, 0);
    Sleep(300);
    ASSERT_TRUE(IsWindow(prompt_)) << "Escape closed the prompt";
    // Nor does Alt+F4, which the system turns into the close command.
    PostMessageA(prompt_, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(300);
    ASSERT_TRUE(IsWindow(prompt_)) << "Alt+F4 closed the prompt";
    EXPECT_EQ(WindowText(Field(kOldPin)), "*");
    SendMessageA(Field(kOldPin), WM_KEYDOWN, VK_BACK, 0);
    SendMessageA(Field(kOldPin), WM_CHAR, '\b', 0);

    // The policy refuses a weak PIN in the prompt itself, without a token call.
    EXPECT_EQ(Submit(kFactoryPin, "111111"), "Unsafe PIN, please input a safe PIN!");
    EXPECT_EQ(boxOwner_, prompt_);
    ASSERT_TRUE(IsWindow(prompt_));
    EXPECT_EQ(rig_.LogOf(app_.pid()).size(), before.size());

    EXPECT_EQ(Submit(kFactoryPin, "97531a"), "Change PIN successful!");
    EXPECT_EQ(boxOwner_, app_.main()) << "the monitor's boxes belong to the main window";
    const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
    EXPECT_EQ(BracketFault(log), "");
    std::vector<std::string> monitor;
    for (const LogLine& line : log)
        if (line.tid != log.front().tid)
            monitor.push_back(line.function);
    EXPECT_EQ(monitor, (std::vector<std::string>{"LockUKey", "ZQ_OpenDev", "ZQPro_GetSn",
                                                 "ZQ_IsDefaultPin", "ZQ_ToKenChangeUser",
                                                 "ZQPro_GetSn", "ZQ_CloseDev", "UnlockUKey"}));

    // The token now has the PIN typed, and the next scan leaves it alone: both flags are down.
    for (int i = 0; i < 100 && !IsWindowEnabled(app_.main()); ++i)
        Sleep(20);
    EXPECT_TRUE(IsWindowEnabled(app_.main()));
    rig_.ClearLog();
    app_.Send(WM_COMMAND, kTrayRefresh);
    EXPECT_EQ(Scans(), 1) << "the refresh was dropped";
    EXPECT_EQ(NextPrompt(1500), nullptr);
    const std::vector<LogLine> next = rig_.SettledLogOf(app_.pid());
    EXPECT_EQ(BracketFault(next), "");
    EXPECT_EQ(Count(next, "ZQ_ToKenChangeUser"), 0);
    ASSERT_EQ(rig_.Ctl("set P1 default=1"), 0);
    app_.Send(WM_COMMAND, kTrayRefresh);
    ASSERT_NE(NextPrompt(), nullptr) << "every scan examines the tokens again";
    EXPECT_EQ(Submit("97531a", "24681a"), "Change PIN successful!");
}

// The serial query takes no size: a token whose serial is far longer than a serial should be is
// read, shown and prompted for like any other, and its change confirmed, even when the query
// after the change fails (the PIN has changed all the same).
TEST_F(DefaultPinTest, ATokenWithASerialOfTwoHundredCharactersIsReadAndItsChangeConfirmed) {
    ASSERT_EQ(rig_.Ctl("create " + std::string(200, 'S') +
                       " --device \\\\.\\VELQUKEY_LONG --container Li:sign"),
              0);
    ASSERT_EQ(rig_.Ctl("fault ZQPro_GetSn threads=workers nth=2 status=0x6A82"), 0);
    ASSERT_NE(StartPrompted(), nullptr) << "no prompt after the scan";
    EXPECT_EQ(app_.TreeText(), "*USB_Key_1\n  Li\n    Signature certificate.\n");
    EXPECT_EQ(Submit(kFactoryPin, "135792"), Text(77));
    EXPECT_EQ(BracketFault(rig_.SettledLogOf(app_.pid())), "");
}

TEST_F(DefaultPinTest, RefusedOriginalPinsCountDownAndALockedPinEndsThePrompt) {
    ASSERT_EQ(rig_.Ctl("create P1 --attempts 3"), 0);
    ASSERT_NE(StartPrompted(), nullptr);
    for (const char* text : {"Input wrong orginal PIN. \rYou have 2 chances still.",
                             "Input wrong orginal PIN. \rYou have 1 chances still."}) {
        EXPECT_EQ(Submit("87654321", "97531a"), text);
        ASSERT_NE(NextPrompt(), nullptr) << "the prompt comes back after " << text;
        for (int id : {kOldPin, kNewPin, kConfirmPin})
            EXPECT_EQ(WindowText(Field(id)), "") << "fields start empty, " << id;
    }
    EXPECT_EQ(Submit("87654321", "97531a"),
              "The PIN is locked, please contact the administrators.");
    EXPECT_EQ(NextPrompt(1500), nullptr) << "no prompt after the lock";
    const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
    EXPECT_EQ(BracketFault(log), "");
    EXPECT_EQ(Count(log, "ZQ_ToKenChangeUser"), 3);
}

TEST_F(DefaultPinTest, TwoFactoryTokensArePromptedOneAfterTheOther) {
    ASSERT_EQ(rig_.Ctl("create P1 --slot 1"), 0);
    ASSERT_EQ(rig_.Ctl("create P2 --slot 2"), 0);
    ASSERT_NE(StartPrompted(), nullptr);
    for (const char* newPin : {"97531a", "97531b"}) {
        Sleep(500);
        int prompts = 0;
        for (HWND window : app_.TopWindows())
            prompts += IsWindowVisible(window) && WindowText(window) == Text(92);
        EXPECT_EQ(prompts, 1) << "never two prompts at once";
        EXPECT_EQ(Submit(kFactoryPin, newPin), "Change PIN successful!");
        if (newPin[5] == 'a') {
            ASSERT_NE(NextPrompt(), nullptr) << "the second token's prompt";
        }
    }
    EXPECT_EQ(NextPrompt(1500), nullptr);
    const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
    EXPECT_EQ(BracketFault(log), "") << "the two monitors' brackets overlap";
    EXPECT_EQ(Count(log, "ZQ_ToKenChangeUser"), 2);
}

TEST_F(DefaultPinTest, PullingTheTokenClosesThePromptWhileKeysteadStaysResponsive) {
    ASSERT_EQ(rig_.Ctl("create P1"), 0);
    ASSERT_NE(StartPrompted(), nullptr);
    PullWhilePrompted();
}

TEST_F(DefaultPinTest, TheChineseSetPromptsAndClosesInItsOwnWords) {
    ASSERT_EQ(rig_.Ctl("create P1"), 0);
    ASSERT_NE(StartPrompted(true), nullptr);
    ASSERT_NE(Text(92), "Change USB KEY PIN");
    PullWhilePrompted();
}

TEST_F(DefaultPinTest, ARefreshCaughtBehindTheNextMonitorsLockIsDroppedOnceItsPromptShows) {
    // When the first monitor ends it clears both flags while the second already holds the
    // token's lock, a while before its prompt is up. A refresh asked for then waits for that
    // lock, and must give up once the prompt shows rather than wait until it is answered.
    ASSERT_EQ(rig_.Ctl("create P1 --slot 1 --container Li:both"), 0);
    ASSERT_EQ(rig_.Ctl("create P2 --slot 2"), 0);
    ASSERT_EQ(rig_.Ctl("fault ZQ_IsDefaultPin delay=1500"), 0);
    ASSERT_NE(StartPrompted(), nullptr);
    const std::string tree = app_.TreeText();
    EXPECT_EQ(Submit(kFactoryPin, "97531a"), "Change PIN successful!");
    auto firstEnded = [&] {
        const std::vector<LogLine> log = rig_.LogOf(app_.pid());
        return std::count_if(log.begin(), log.end(), [&](const LogLine& l) {
                   return l.function == "UnlockUKey" && l.tid != log.front().tid;
               }) == 1;
    };
    for (int i = 0; i < 100 && !firstEnded(); ++i)
        Sleep(20);
    Sleep(200);
    const int scans = Scans();
    PostMessageA(app_.main(), WM_COMMAND, kTrayRefresh, 0);
    ASSERT_NE(NextPrompt(), nullptr);
    PostMessageA(app_.main(), kShowRequest, 0, 0);
    for (int i = 0; i < 50 && !IsWindowVisible(app_.main()); ++i)
        Sleep(20);
    EXPECT_TRUE(IsWindowVisible(app_.main())) << "the window thread waits behind the prompt";
    EXPECT_EQ(Scans(), scans);
    EXPECT_EQ(app_.TreeText(), tree);
}

TEST_F(DefaultPinTest, NoPinIsLeftInKeysteadsMemoryOnceTheDefaultPinIsReplaced) {
    const std::string oldPin = "Qk7Wm2", newPin = "Zp4Xr9";
    ASSERT_EQ(rig_.Ctl("create P1 --pin " + oldPin), 0);
    ASSERT_NE(StartPrompted(), nullptr);
    Fill(oldPin, newPin);
    EXPECT_GE(CountInProcessMemory(app_.pid(), oldPin), 1);
    EXPECT_GE(CountInProcessMemory(app_.pid(), newPin), 2);
    AnswerDialog(prompt_, IDOK);
    EXPECT_EQ(AnswerBox(), "Change PIN successful!");
    rig_.SettledLogOf(app_.pid());
    EXPECT_EQ(CountInProcessMemory(app_.pid(), oldPin), 0);
    EXPECT_EQ(CountInProcessMemory(app_.pid(), newPin), 0);
}

TEST_F(DefaultPinTest, NamesTooLongForTheMonitorAreNotExaminedAndClosingWhilePromptedIsClean) {
    // 220 bytes: kept by the tree, too long for the monitor's 200-byte name.
    ASSERT_EQ(rig_.Ctl("create L1 --slot 1 --device \\\\.\\VELQUKEY_" + std::string(207, 'L')), 0);
    ASSERT_EQ(rig_.Ctl("create P2 --slot 2"), 0);
    ASSERT_NE(StartPrompted(), nullptr);
    std::string tokens;
    for (const TreeItem& item : app_.Tree())
        tokens += item.depth == 0 ? item.text + " " : "";
    EXPECT_EQ(tokens, "USB_Key_1 USB_Key_2 ");
    const std::vector<LogLine> log = rig_.LogOf(app_.pid());
    EXPECT_EQ(Count(log, "ZQ_IsDefaultPin"), 1) << "only P2 is examined";
    for (const LogLine& line : log)
        if (line.function == "ZQ_OpenDev" && line.tid != log.front().tid) {
            EXPECT_EQ(line.device.find("LLLL"), std::string::npos);
        }

    // Ended from outside while its monitor holds the token: no crash, nothing left behind.
    PostMessageA(app_.main(), WM_CLOSE, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
}
