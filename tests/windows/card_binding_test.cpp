// Binding a dynamic authentication card as a person does it: the user PIN and the card serial
// typed into the real dialogs, every message read and answered, the token's side read from
// the simulator's log and its token file.
#include "keystead_driver.h"
#include "process_memory.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const int kDacBinding = IDC_DAC_BINDING, kUserPin = IDC_USER_PIN;
const int kMessageIcon = 0x0440; // the icon control of Wine's message boxes
const char kGoodSerial[] = "12ab CDEF 0000 9a9B";

// One message box as it was shown.
struct ShownBox {
    std::string caption, text;
    bool icon = false;
    bool tokenOpen = false;        // the token still open and locked while it showed
    bool bindEnabledAfter = false; // once answered, before the command's next call returned
};

class CardBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_EQ(rig_.Ctl("create B1 --changed --pin 246813 --attempts 4 --dac 2 "
                           "--container Ca:both"),
                  0);
    }
    void TearDown() override { app_.Kill(); }

    std::string Text(UINT id) { return ResourceText(chinese_, id); }
    // Starts Keystead with the token's last certificate selected.
    void Start(bool chinese = false) {
        chinese_ = chinese;
        ASSERT_TRUE(app_.Start(rig_.dir(), KeysteadPath(chinese)));
        const std::vector<TreeItem> tree = app_.Tree();
        ASSERT_EQ(tree.size(), 4u);
        app_.Select(tree.back().handle);
        ASSERT_TRUE(app_.ButtonEnabled(kDacBinding));
    }
    // A dialog of Keystead's with this control, once it shows; nullptr after timeoutMs.
    HWND WaitForDialogWith(int controlId, DWORD timeoutMs = 5000) {
        const DWORD start = GetTickCount();
        do {
            for (HWND window : app_.TopWindows())
                if (GetDlgItem(window, controlId) && IsWindowVisible(window))
                    return window;
            Sleep(50);
        } while (GetTickCount() - start < timeoutMs);
        return nullptr;
    }
    // Clicks DAC Binding; the user PIN dialog, or nullptr.
    HWND ClickBind() {
        rig_.ClearLog();
        boxes_.clear();
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(kDacBinding, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), kDacBinding)));
        return WaitForDialogWith(kUserPin, 3000);
    }
    HWND FindBox() {
        for (const std::string& caption : {Text(4), Text(5), Text(6)})
            if (HWND box = app_.WaitForDialog(caption, 0))
                return box;
        return nullptr;
    }
    // Presses a dialog's button, then reads and answers the boxes that follow.
    void Press(HWND dialog, int button, DWORD firstMs = 5000) {
        AnswerDialog(dialog, button);
        ReadBoxes(firstMs);
    }
    // Reads and answers the boxes that follow one another, waiting up to firstMs for the first.
    void ReadBoxes(DWORD firstMs) {
        for (DWORD waitMs = firstMs;; waitMs = 800) {
            HWND box = nullptr;
            for (const DWORD start = GetTickCount(); !box && GetTickCount() - start < waitMs;)
                if (!(box = FindBox()))
                    Sleep(50);
            if (!box)
                return;
            ShownBox shown;
            shown.caption = WindowText(box);
            shown.text = MessageBoxText(box);
            // A plain box keeps its icon control, with no icon in it.
            const HWND icon = GetDlgItem(box, kMessageIcon);
            shown.icon = icon && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0);
            const std::vector<LogLine> log = rig_.LogOf(app_.pid());
            shown.tokenOpen = !log.empty() && log.back().depth > 0;
            const std::size_t callsAtBox = log.size();
            AnswerAndWaitGone(box, IDOK);
            Sleep(200);
            shown.bindEnabledAfter =
                app_.ButtonEnabled(kDacBinding) || rig_.LogOf(app_.pid()).size() != callsAtBox;
            boxes_.push_back(shown);
        }
    }
    // Waits until the command's last call, with the bracket closed.
    void WaitForLastCall(const std::string& function) {
        for (int i = 0; i < 100; ++i) {
            const std::vector<LogLine> log = rig_.LogOf(app_.pid());
            if (!log.empty() && log.back().function == function && log.back().depth == 0)
                return;
            Sleep(20);
        }
    }
    // Fills the serial dialog, the serial and its confirmation as "xxxx xxxx xxxx xxxx".
    void FillSerial(HWND dialog, const std::string& serial, const std::string& confirm) {
        const std::string both = serial + " " + confirm;
        std::size_t at = 0;
        for (int id : kCardSerialFields) {
            const std::size_t end = both.find(' ', at);
            const std::string group = both.substr(at, end - at);
            SetWindowTextA(GetDlgItem(dialog, id), "");
            TypeKeys(GetDlgItem(dialog, id), group);
            at = end == std::string::npos ? both.size() : end + 1;
        }
    }
    std::string SerialShown(HWND dialog) {
        std::string shown;
        for (int id : kCardSerialFields)
            shown += WindowText(GetDlgItem(dialog, id)) + " ";
        return shown;
    }
    std::string BoundCard() {
        std::ifstream in(rig_.dir() + "\\B1.token");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("dac_card ", 0) == 0)
                return line.substr(9);
        return "?";
    }
    std::vector<std::string> Calls() {
        std::vector<std::string> calls;
        for (const LogLine& line : rig_.LogOf(app_.pid()))
            calls.push_back(line.function + (line.result == 0 || line.result == 0x9000 ? "" : "!"));
        return calls;
    }

    TestRig rig_;
    KeysteadRun app_;
    bool chinese_ = false;
    std::vector<ShownBox> boxes_;
};

} // namespace

TEST_F(CardBindingTest, ACertificatesTokenIsBoundToExactlyTheTypedSerial) {
    Start();
    HWND pinDialog = ClickBind();
    ASSERT_NE(pinDialog, nullptr) << "no User PIN dialog";
    Press(pinDialog, IDOK);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Empty PIN");
    EXPECT_EQ(WindowText(GetDlgItem(pinDialog, kUserPin)), "");
    EXPECT_TRUE(IsWindow(pinDialog));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"LockUKey", "ZQ_OpenDev"}));

    TypeKeys(GetDlgItem(pinDialog, kUserPin), "246813");
    EXPECT_EQ(WindowText(GetDlgItem(pinDialog, kUserPin)), "******");
    Press(pinDialog, IDOK, 0);
    HWND serial = WaitForDialogWith(kCardSerialFields[7]);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(WindowText(serial), "Dynamic Authentication Card Serial");
    const struct {
        const char *serial, *confirm, *text;
    } refusals[] = {
        {"12ab CDEF 0000 9a9B", "12ab CDEF 000 9a9B",
         "Empty or incomplete serial, please check it and input the correct!"},
        {"12ab CDEF 0g00 9a9B", "12ab CDEF 0000 9a9B",
         "Illegal serial, please check it and input the correct!"},
        {"12ab cdef 0000 9a9b", "12AB CDEF 0000 9A9B",
         "The new Serial and the confirm one do not match."},
    };
    for (const auto& r : refusals) {
        FillSerial(serial, r.serial, r.confirm);
        boxes_.clear();
        Press(serial, IDOK);
        ASSERT_EQ(boxes_.size(), 1u) << r.text;
        EXPECT_EQ(boxes_[0].text, r.text);
        EXPECT_EQ(boxes_[0].icon, r.text[0] != 'T') << "60 comes without an icon";
        EXPECT_TRUE(IsWindow(serial));
        EXPECT_EQ(SerialShown(serial), std::string(r.serial) + " " + r.confirm + " ")
            << "the fields keep what was typed";
    }
    // A slow close shows what comes before it.
    ASSERT_EQ(rig_.Ctl("fault ZQ_CloseDev delay=1500"), 0);
    FillSerial(serial, kGoodSerial, kGoodSerial);
    boxes_.clear();
    Press(serial, IDOK, 5000);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "Successful");
    EXPECT_EQ(boxes_[0].text, "Bind the Dynamic Authentication Code Table successful.");
    EXPECT_TRUE(boxes_[0].tokenOpen);
    EXPECT_TRUE(boxes_[0].icon);
    WaitForLastCall("ClearPinFromMem");
    EXPECT_FALSE(boxes_[0].bindEnabledAfter) << "1016 was not disabled before the close";
    EXPECT_EQ(BoundCard(), "12ABCDEF00009A9B");
    EXPECT_FALSE(app_.ButtonEnabled(kDacBinding)) << "disabled after the binding";
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()),
              (std::vector<std::string>{"ZQ_ToKenVerifyUser", "ZQpro_InitDynamicCode",
                                        "ZQ_CloseDev", "UnlockUKey", "ClearPinFromMem"}));
    EXPECT_EQ(BracketFault(rig_.LogOf(app_.pid())), "");
}

TEST_F(CardBindingTest, EveryOtherEndIsToldWhileTheTokenIsOpenAndLeavesItClosed) {
    enum Serial { kNoSerial, kCancelSerial, kTypeSerial };
    const struct Row {
        const char* setup;
        const char* pin; // nullptr: the PIN dialog is cancelled; "": the token does not open
        Serial serial;
        std::vector<std::string> texts;
        bool cleared;    // ClearPinFromMem after the unlock
        bool bound;      // button 1016 disabled afterwards
        bool handleLeft; // the library refused the close
    } rows[] = {
        {"", nullptr, kNoSerial, {}, false, false, false},
        {"",
         "111111",
         kNoSerial,
         {"Input wrong orginal PIN. \rYou have 3 chances still."},
         false,
         false,
         false},
        {"set B1 attempts=1",
         "111111",
         kNoSerial,
         {"The PIN is locked, please contact the administrators."},
         false,
         false,
         false},
        {"fault ZQpro_GetPinTime status=-1",
         "111111",
         kNoSerial,
         {"The PIN is locked, please contact the administrators."},
         false,
         false,
         false},
        {"",
         "246813",
         kCancelSerial,
         {"Canceled operation of initializing the Dynamic Authentication Code Table."},
         true,
         false,
         false},
        {"set B1 card=0102030405060708",
         "246813",
         kTypeSerial,
         {"The Dynamic Authentication Code Table of the USB KEY had been bound,\t can not do it "
          "again."},
         true,
         false,
         false},
        {"fault ZQpro_InitDynamicCode status=0x6F00",
         "246813",
         kTypeSerial,
         {"Bind the Dynamic Authentication Code Table failed."},
         true,
         false,
         false},
        {"fault ZQ_OpenDev status=0x6A82",
         "",
         kNoSerial,
         {"Open device failed"},
         false,
         false,
         false},
        {"fault ZQ_CloseDev status=1",
         "246813",
         kTypeSerial,
         {"Bind the Dynamic Authentication Code Table successful.", "Close device failed"},
         true,
         true,
         true},
    };
    Start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.setup);
        SCOPED_TRACE(row.texts.empty() ? "PIN dialog cancelled" : row.texts[0]);
        ASSERT_EQ(rig_.Ctl("faults-clear"), 0);
        ASSERT_EQ(rig_.Ctl("set B1 attempts=4 card=-"), 0);
        EnableWindow(GetDlgItem(app_.main(), kDacBinding), TRUE);
        if (*row.setup) {
            ASSERT_EQ(rig_.Ctl(row.setup), 0);
        }
        HWND pinDialog = ClickBind();
        if (row.pin && !*row.pin) {
            EXPECT_EQ(pinDialog, nullptr) << "asked for a PIN of a token that did not open";
            ReadBoxes(5000);
        } else {
            ASSERT_NE(pinDialog, nullptr);
            TypeKeys(GetDlgItem(pinDialog, kUserPin), row.pin ? row.pin : "246813");
            Press(pinDialog, row.pin ? IDOK : IDCANCEL,
                  row.serial == kNoSerial && !row.texts.empty() ? 5000 : 0);
            HWND serial =
                WaitForDialogWith(kCardSerialFields[7], row.serial == kNoSerial ? 300 : 5000);
            EXPECT_EQ(serial != nullptr, row.serial != kNoSerial) << "the serial dialog";
            if (serial) {
                FillSerial(serial, kGoodSerial, kGoodSerial);
                Press(serial, row.serial == kTypeSerial ? IDOK : IDCANCEL);
            }
        }
        WaitForLastCall(row.cleared ? "ClearPinFromMem" : "UnlockUKey");
        std::vector<std::string> texts;
        for (const ShownBox& box : boxes_)
            texts.push_back(box.text);
        EXPECT_EQ(texts, row.texts);
        for (const ShownBox& box : boxes_) {
            const bool afterClose =
                box.text == "Close device failed" || box.text == "Open device failed";
            EXPECT_EQ(box.tokenOpen, !afterClose) << box.text;
            const bool plain =
                box.text.rfind("Canceled", 0) == 0 || box.text.rfind("The Dynamic", 0) == 0;
            EXPECT_EQ(box.icon, !plain) << box.text;
        }
        if (!boxes_.empty() && row.texts[0].find("failed.") != std::string::npos) {
            EXPECT_EQ(boxes_[0].caption, "Failed");
        }
        const std::vector<LogLine> log = rig_.LogOf(app_.pid());
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().function == "ClearPinFromMem", row.cleared);
        EXPECT_EQ(log.back().depth, 0);
        EXPECT_EQ(log.back().open, row.handleLeft ? 1 : 0);
        EXPECT_EQ(app_.ButtonEnabled(kDacBinding), !row.bound);
    }
}

TEST_F(CardBindingTest, NoPinIsLeftInKeysteadsMemoryAfterABinding) {
    ASSERT_EQ(rig_.Ctl("set B1 pin=Qk7Wm2"), 0);
    Start();
    HWND pinDialog = ClickBind();
    ASSERT_NE(pinDialog, nullptr);
    TypeKeys(GetDlgItem(pinDialog, kUserPin), "Qk7Wm2");
    EXPECT_GE(CountInProcessMemory(app_.pid(), "Qk7Wm2"), 1);
    Press(pinDialog, IDOK, 0);
    HWND serial = WaitForDialogWith(kCardSerialFields[7]);
    ASSERT_NE(serial, nullptr);
    FillSerial(serial, kGoodSerial, kGoodSerial);
    Press(serial, IDOK);
    WaitForLastCall("ClearPinFromMem");
    EXPECT_EQ(BoundCard(), "12ABCDEF00009A9B");
    EXPECT_EQ(CountInProcessMemory(app_.pid(), "Qk7Wm2"), 0);
}

TEST_F(CardBindingTest, TheChineseSetBindsInItsOwnWords) {
    Start(true);
    HWND pinDialog = ClickBind();
    ASSERT_NE(pinDialog, nullptr);
    TypeKeys(GetDlgItem(pinDialog, kUserPin), "246813");
    Press(pinDialog, IDOK, 0);
    HWND serial = WaitForDialogWith(kCardSerialFields[7]);
    ASSERT_NE(serial, nullptr);
    FillSerial(serial, kGoodSerial, kGoodSerial);
    Press(serial, IDOK);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, Text(5));
    EXPECT_EQ(boxes_[0].text, Text(63));
    EXPECT_EQ(BoundCard(), "12ABCDEF00009A9B");
}
