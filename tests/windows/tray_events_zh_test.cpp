// The Simplified Chinese Keystead in the notification area, on a Chinese Windows: its own
// texts in its title, in the quit question and in the warning after a token is pulled, which
// also closes the set's own default-PIN prompt.
#include "tray_fixture.h"

using namespace keystead_test;

namespace {

// CTest runs this program, and so the Chinese Keystead it starts, in a Chinese locale: on a
// Chinese Windows the ANSI code page holds the set's texts, as that build expects.
class ChineseTrayTest : public TrayTest {
  protected:
    void SetUp() override {
        TrayTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(GetACP(), 936u) << "not run in a Chinese locale";
        StartHidden(BinDir() + "\\zh-CN\\Keystead.exe");
    }
    HWND WaitForBox(const std::wstring& title) {
        for (int i = 0; i < 400; ++i) {
            for (HWND w : app_.TopWindows()) {
                char cls[16] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (w != app_.main() && std::string(cls) == "#32770" && TextOf(w) == title)
                    return w;
            }
            Sleep(50);
        }
        return nullptr;
    }
};

} // namespace

TEST_F(ChineseTrayTest, ChineseSetAsksInItsOwnWordsBeforeItEnds) {
    EXPECT_TRUE(IconPresent());
    EXPECT_EQ(TextOf(app_.main()), ChineseString(76)) << "the title";
    EXPECT_EQ(TrayTipsReading(ChineseString(76)), 1) << "the icon's tip";

    PostMessageA(app_.main(), WM_COMMAND, ID_TRAY_QUIT, 0);
    HWND box = WaitForBox(ChineseString(4));
    ASSERT_NE(box, nullptr) << "no quit question titled string 4";
    EXPECT_EQ(TextOf(GetDlgItem(box, kMessageBoxText)), ChineseString(1));
    AnswerDialog(box, IDNO);
    app_.Send(WM_NULL);
    DWORD code = 99;
    EXPECT_FALSE(app_.WaitExit(300, &code));
}

TEST_F(ChineseTrayTest, ChineseSetWarnsOfAPulledTokenInItsOwnWords) {
    const std::wstring prompt = ChineseString(91);
    ASSERT_FALSE(prompt.empty());
    ASSERT_NE(prompt, L"Prompt") << "the Chinese set has texts of its own";
    // The Chinese default-PIN prompt, titled with the set's string 92, stands open.
    const std::wstring pinPrompt = ChineseString(92);
    ASSERT_FALSE(pinPrompt.empty());
    PromptStandIn pin(pinPrompt);
    ASSERT_TRUE(pin.open());

    ASSERT_EQ(rig_.Ctl("pull E1"), 0);
    ASSERT_EQ(Notify("removal --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#1 --timeout 500"), 0);
    HWND box = WaitForBox(prompt);
    ASSERT_NE(box, nullptr) << "no removal warning titled string 91";
    EXPECT_EQ(TextOf(GetDlgItem(box, kMessageBoxText)), ChineseString(90));
    EXPECT_NE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "system-modal, on top";
    EXPECT_EQ(g_closesSeen.load(), 1) << "the prompt titled string 92 was not closed";
    EXPECT_EQ(Scans(), 2);
    AnswerDialog(box, IDOK);
}
