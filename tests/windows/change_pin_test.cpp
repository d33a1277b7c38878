// Change PIN driven from outside as a person would: keys typed one by one into the real dialog,
// its boxes read and answered, the token's side read from the simulator's log.
#include "keystead_driver.h"
#include "process_memory.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const int kChangePin = IDC_CHANGE_PIN, kOldPin = IDC_OLD_PIN, kNewPin = IDC_NEW_PIN,
          kConfirmPin = IDC_CONFIRM_PIN;

std::vector<std::string> Calls(const std::vector<LogLine>& log) {
    std::vector<std::string> calls;
    for (const LogLine& line : log)
        calls.push_back(line.function + (line.result == 0 ? "" : "!"));
    return calls;
}

DWORD Caret(HWND field) {
    DWORD end = 0;
    SendMessageA(field, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    return end;
}

class ChangePinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_EQ(rig_.Ctl("create P1 --changed --pin 246813 --attempts 3 --container Li:both"), 0);
    }
    void TearDown() override { app_.Kill(); }

    // Starts Keystead, selects the token and opens the dialog; the log then starts empty.
    HWND Open(bool chinese = false) {
        if (!app_.Start(rig_.dir(), KeysteadPath(chinese)) || app_.Tree().empty())
            return nullptr;
        app_.Select(app_.Tree()[0].handle);
        rig_.ClearLog();
        return Reopen(chinese);
    }
    HWND Reopen(bool chinese = false) {
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(kChangePin, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), kChangePin)));
        dialog_ = app_.WaitForDialog(chinese ? Text(true, 92) : "Change PIN");
        return dialog_;
    }
    HWND Field(int id) const { return GetDlgItem(dialog_, id); }
    void Fill(const std::string& oldPin, const std::string& newPin, const std::string& confirm) {
        TypeKeys(Field(kOldPin), oldPin);
        TypeKeys(Field(kNewPin), newPin);
        TypeKeys(Field(kConfirmPin), confirm);
    }
    // Presses OK and returns the box that follows (answered), or "" when none came.
    std::string PressOkAndRead(const std::string& caption = "Prompt") {
        AnswerDialog(dialog_, IDOK);
        HWND box = app_.WaitForDialog(caption, 5000);
        if (!box || box == dialog_)
            return "";
        logAtBox_ = rig_.LogOf(app_.pid());
        boxOwner_ = GetWindow(box, GW_OWNER);
        const std::string text = MessageBoxText(box);
        AnswerAndWaitGone(box, IDOK);
        return text;
    }
    std::string Text(bool chinese, UINT id) { return ResourceText(chinese, id); }

    TestRig rig_;
    KeysteadRun app_;
    HWND dialog_ = nullptr;
    std::vector<LogLine> logAtBox_;
    HWND boxOwner_ = nullptr;
};

} // namespace

TEST_F(ChangePinTest, TypedPinsAreMaskedAndTheTokenTakesExactlyThem) {
    ASSERT_NE(Open(), nullptr);
    Fill("246813", "97531a", "97531");
    PressKey(Field(kConfirmPin), 'A', 'a');
    for (int id : {kOldPin, kNewPin, kConfirmPin})
        EXPECT_EQ(WindowText(Field(id)), "******") << id;
    EXPECT_EQ(PressOkAndRead(), "Change PIN successful!");
    EXPECT_EQ(Calls(logAtBox_),
              (std::vector<std::string>{"LockUKey", "ZQ_OpenDev", "ZQ_ToKenChangeUser",
                                        "ZQ_CloseDev", "UnlockUKey"}));
    // The token took exactly the typed bytes: they open it now, the old PIN does not.
    rig_.ClearLog();
    ASSERT_NE(Reopen(), nullptr);
    Fill("97531a", "24681a", "24681a");
    PressKey(Field(kOldPin), VK_BACK, '\b');
    TypeKeys(Field(kOldPin), "a");
    EXPECT_EQ(PressOkAndRead(), "Change PIN successful!");
}

TEST_F(ChangePinTest, EveryTokenOutcomeIsToldAfterTheTokenIsClosedAndTheLockReleased) {
    struct Row {
        const char* setup;
        const char* oldPin;
        const char* text;
        std::vector<std::string> calls;
        const char* then = ""; // the box after the first, if any
    } rows[] = {
        {"fault ZQ_OpenDev status=0x6A82",
         "246813",
         "Open device failed",
         {"LockUKey", "ZQ_OpenDev!", "UnlockUKey"}},
        {"",
         "111111",
         "Input wrong orginal PIN. \rYou have 2 chances still.",
         {"LockUKey", "ZQ_OpenDev", "ZQ_ToKenChangeUser!", "ZQpro_GetPinTime!", "ZQ_CloseDev",
          "UnlockUKey"}},
        {"set P1 attempts=1",
         "111111",
         "The PIN is locked, please contact the administrators.",
         {"LockUKey", "ZQ_OpenDev", "ZQ_ToKenChangeUser!", "ZQpro_GetPinTime", "ZQ_CloseDev",
          "UnlockUKey"}},
        {"fault ZQpro_GetPinTime status=-1",
         "111111",
         "The PIN is locked, please contact the administrators.",
         {"LockUKey", "ZQ_OpenDev", "ZQ_ToKenChangeUser!", "ZQpro_GetPinTime!", "ZQ_CloseDev",
          "UnlockUKey"}},
        // The PIN did change: the user is told so before the failed close.
        {"fault ZQ_CloseDev status=1",
         "246813",
         "Change PIN successful!",
         {"LockUKey", "ZQ_OpenDev", "ZQ_ToKenChangeUser", "ZQ_CloseDev!", "UnlockUKey"},
         "Close device failed"},
    };
    ASSERT_TRUE(app_.Start(rig_.dir()));
    ASSERT_FALSE(app_.Tree().empty());
    app_.Select(app_.Tree()[0].handle);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ASSERT_EQ(rig_.Ctl("faults-clear"), 0);
        ASSERT_EQ(rig_.Ctl("set P1 pin=246813 attempts=3"), 0);
        if (*row.setup) {
            ASSERT_EQ(rig_.Ctl(row.setup), 0);
        }
        rig_.ClearLog();
        ASSERT_NE(Reopen(), nullptr);
        Fill(row.oldPin, "135790", "135790");
        EXPECT_EQ(PressOkAndRead(), row.text);
        EXPECT_EQ(boxOwner_, app_.main()) << "the main window owns the command's results";
        if (*row.then) {
            HWND next = app_.WaitForDialog("Prompt", 5000);
            ASSERT_NE(next, nullptr);
            EXPECT_EQ(MessageBoxText(next), row.then);
            AnswerAndWaitGone(next, IDOK);
        }
        EXPECT_EQ(Calls(logAtBox_), row.calls);
        ASSERT_FALSE(logAtBox_.empty());
        EXPECT_EQ(logAtBox_.back().depth, 0);
        // A close the library refuses leaves its handle open; every other path closes it.
        EXPECT_EQ(logAtBox_.back().open, row.calls[row.calls.size() - 2] == "ZQ_CloseDev!" ? 1 : 0);
    }
}

// Tab into a filled field selects all of it, as the dialog manager does; typing then starts the
// PIN anew with the first character, so the PIN used is the PIN typed.
TEST_F(ChangePinTest, TypingAfterTabIntoAFilledFieldLosesNoKeystroke) {
    ASSERT_NE(Open(), nullptr);
    Fill("999999", "135790", "135790");
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    for (int i = 0; i < 5; ++i) { // round the tab order back to the original PIN
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &gui));
        PostMessageA(gui.hwndFocus, WM_KEYDOWN, VK_TAB, 0);
        PostMessageA(gui.hwndFocus, WM_KEYUP, VK_TAB, 0);
        Sleep(100);
    }
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &gui));
    ASSERT_EQ(gui.hwndFocus, Field(kOldPin));
    DWORD start = 0, end = 0;
    SendMessageA(Field(kOldPin), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    ASSERT_EQ(start, 0u);
    ASSERT_EQ(end, 6u) << "Tab selects the whole field";
    TypeKeys(Field(kOldPin), "246813");
    EXPECT_EQ(WindowText(Field(kOldPin)), "******");
    EXPECT_EQ(PressOkAndRead(), "Change PIN successful!");
}

TEST_F(ChangePinTest, ARefusalEmptiesTheFieldsAndCancellingTouchesNoToken) {
    ASSERT_NE(Open(), nullptr);
    struct Refusal {
        const char *oldPin, *newPin, *confirm, *text;
    } refusals[] = {
        {"", "135790", "135790", "Empty PIN"},
        {"246813", "12345", "12346", "The new PIN and the confirm PIN do not match."},
        {"246813", "12345", "12345", "The length of the new PIN must be between 6 and 8!"},
        {"246813", "abcdef", "abcdef", "Unsafe PIN, please input a safe PIN!"},
    };
    for (const Refusal& r : refusals) {
        Fill(r.oldPin, r.newPin, r.confirm);
        EXPECT_EQ(PressOkAndRead(), r.text);
        EXPECT_EQ(boxOwner_, dialog_) << "the dialog owns its refusals";
        EXPECT_TRUE(IsWindow(dialog_)) << "the dialog stays open";
        for (int id : {kOldPin, kNewPin, kConfirmPin})
            EXPECT_EQ(WindowText(Field(id)), "") << r.text << ", field " << id;
    }
    AnswerDialog(dialog_, IDCANCEL);
    ASSERT_NE(Reopen(), nullptr);
    TypeKeys(Field(kOldPin), "246813");
    PostMessageA(Field(kOldPin), WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 100 && IsWindow(dialog_); ++i)
        Sleep(20);
    EXPECT_FALSE(IsWindow(dialog_)) << "Escape ends the dialog";
    EXPECT_TRUE(rig_.LogOf(app_.pid()).empty()) << "no vendor call after a refusal or a cancel";
}

TEST_F(ChangePinTest, NothingTypedShowsInClearOrReadsBackAsBytesNobodyTyped) {
    ASSERT_NE(Open(), nullptr);
    HWND field = Field(kNewPin);
    SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    TypeKeys(field, "135");
    const DWORD caret = Caret(field);
    for (UINT arrow : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN})
        PressKey(field, arrow, 0);
    SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 2));
    EXPECT_EQ(Caret(field), caret) << "neither arrows nor clicks move the caret";

    PressKey(field, VK_HOME, 0);
    TypeKeys(field, "9");
    EXPECT_EQ(WindowText(field), "") << "a character typed before the others";
    TypeKeys(field, "13579");
    SendMessageA(field, EM_SETSEL, 1, 3);
    TypeKeys(field, "8");
    EXPECT_EQ(WindowText(field), "") << "a selection typed over";

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL clip = GlobalAlloc(GMEM_MOVEABLE, 7);
    memcpy(GlobalLock(clip), "135790", 7);
    GlobalUnlock(clip);
    SetClipboardData(CF_TEXT, clip);
    CloseClipboard();
    SendMessageA(field, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowText(field), "") << "a paste would show the PIN in clear";

    // What is then typed is exactly what the token gets, a space typed first included.
    TypeKeys(field, " 97531");
    Fill("246813", "", " 97531");
    EXPECT_EQ(PressOkAndRead(), "Change PIN successful!");
    ASSERT_NE(Reopen(), nullptr);
    Fill(" 97531", "246813", "246813");
    EXPECT_EQ(PressOkAndRead(), "Change PIN successful!");
}

TEST_F(ChangePinTest, NoPinIsLeftInKeysteadsMemoryOnceTheChangeIsDone) {
    const std::string oldPin = "Qk7Wm2", newPin = "Zp4Xr9";
    ASSERT_EQ(rig_.Ctl("set P1 pin=" + oldPin), 0);
    ASSERT_NE(Open(), nullptr);
    Fill(oldPin, newPin, newPin);
    // While the dialog is up the fields hold what was typed: the scan does find PINs.
    EXPECT_GE(CountInProcessMemory(app_.pid(), oldPin), 1);
    EXPECT_GE(CountInProcessMemory(app_.pid(), newPin), 2);
    EXPECT_EQ(PressOkAndRead(), "Change PIN successful!");
    EXPECT_EQ(CountInProcessMemory(app_.pid(), oldPin), 0);
    EXPECT_EQ(CountInProcessMemory(app_.pid(), newPin), 0);
}

TEST_F(ChangePinTest, TheChineseSetChangesThePinInItsOwnWords) {
    ASSERT_NE(Open(true), nullptr);
    EXPECT_EQ(WindowText(dialog_), Text(true, 92));
    Fill("246813", "135790", "135790");
    EXPECT_EQ(PressOkAndRead(Text(true, 4)), Text(true, 77));
}
