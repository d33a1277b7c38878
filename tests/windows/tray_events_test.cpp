// Keystead in the notification area: shown, hidden and ended only as it should be, and
// following tokens that are plugged in and pulled out.
#include "tray_fixture.h"

using namespace keystead_test;

TEST_F(TrayTest, StartsInTheNotificationAreaWithTheFirstScanDone) {
    StartHidden();
    EXPECT_TRUE(IconPresent());
    EXPECT_EQ(TrayTipsReading(L"Keystead"), 1) << "the icon's tip";
    EXPECT_EQ(Scans(), 1);
    EXPECT_EQ(app_.Tree().size(), 4u) << "the tree already holds the first scan";
}

TEST_F(TrayTest, ShowingAHiddenWindowRescansAndAVisibleOneDoesNot) {
    StartHidden();
    app_.Send(WM_COMMAND, ID_TRAY_SHOW);
    EXPECT_TRUE(IsWindowVisible(app_.main()));
    EXPECT_EQ(Scans(), 2);
    app_.Send(WM_COMMAND, ID_TRAY_SHOW);
    app_.Send(kIconCallback, 128, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Scans(), 2) << "a visible window is not rescanned";

    app_.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(SettlesHidden());
    app_.Send(kIconCallback, 128, WM_LBUTTONDOWN);
    app_.Send(kIconCallback, 128, WM_LBUTTONUP);
    EXPECT_TRUE(SettlesHidden()) << "a single click does nothing";
    app_.Send(kIconCallback, 128, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(app_.main()));
    EXPECT_EQ(Scans(), 3);
    rig_.SettledLogOf(app_.pid()); // a refresh while the scan's monitor runs is dropped
    app_.Send(WM_COMMAND, ID_TRAY_REFRESH);
    EXPECT_EQ(Scans(), 4);
}

TEST_F(TrayTest, CloseBoxAltF4EscapeAndTheQuitButtonOnlyHide) {
    StartHidden();
    for (int way = 0; way < 3; ++way) {
        app_.Send(kShowRequest, 0, 0);
        ASSERT_TRUE(IsWindowVisible(app_.main()));
        Sleep(300); // let the window settle on screen, as a person would see it
        if (way == 0)
            app_.Send(WM_SYSCOMMAND, SC_CLOSE, 0); // close box, system menu Close, Alt+F4
        else if (way == 1)
            app_.Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); // Escape
        else
            SendMessageA(GetDlgItem(app_.main(), IDCANCEL), BM_CLICK, 0, 0); // "&Quit"
        app_.Send(WM_NULL);
        EXPECT_TRUE(SettlesHidden()) << way;
        EXPECT_TRUE(IconPresent()) << way;
    }
    EXPECT_EQ(Scans(), 1) << "message 1026 shows without a rescan";
    DWORD code = 0;
    EXPECT_FALSE(app_.WaitExit(0, &code)) << "Keystead must keep running";
    // ... and keeps following the tokens.
    ASSERT_EQ(Notify("arrival --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#1"), 0);
    EXPECT_EQ(Scans(), 2);
}

TEST_F(TrayTest, TheIconsMenuOpensOnTheRightButtonPress) {
    StartHidden();
    PostMessageA(app_.main(), kIconCallback, 128, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    for (int i = 0; i < 100 && !menu; ++i) {
        for (HWND w : app_.TopWindows()) {
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(w))
                menu = w;
        }
        Sleep(50);
    }
    ASSERT_NE(menu, nullptr) << "no popup menu";
    PostMessageA(app_.main(), WM_CANCELMODE, 0, 0);
    for (int i = 0; i < 100 && IsWindowVisible(menu); ++i)
        Sleep(50);
    EXPECT_FALSE(IsWindowVisible(menu));
}

TEST_F(TrayTest, QuitAsksAndOnlyYesEnds) {
    StartHidden();
    PostMessageA(app_.main(), WM_COMMAND, ID_TRAY_QUIT, 0);
    HWND box = app_.WaitForDialog("Prompt");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              "If logout the system, the USB KEY maybe doesn't work normally. Exit?");
    AnswerDialog(box, IDNO);
    app_.Send(WM_NULL);
    DWORD code = 99;
    EXPECT_FALSE(app_.WaitExit(300, &code));
    EXPECT_TRUE(IconPresent());

    PostMessageA(app_.main(), WM_COMMAND, ID_TRAY_QUIT, 0);
    box = app_.WaitForDialog("Prompt");
    ASSERT_NE(box, nullptr);
    const HWND main = app_.main();
    AnswerDialog(box, IDYES);
    ASSERT_TRUE(app_.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IconOf(main)) << "the icon must go with Keystead";
    EXPECT_EQ(TrayTipsReading(L"Keystead"), 0) << "the shell still shows the icon";
}

TEST_F(TrayTest, MessageTenTwentySevenEndsWithoutAQuestion) {
    StartHidden();
    const HWND main = app_.main();
    PostMessageA(main, kEndRequest, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IconOf(main));
}

TEST_F(TrayTest, WmCloseRemovesTheIconReleasesTheLibraryAndEnds) {
    StartHidden();
    const HWND main = app_.main();
    const std::size_t callsBefore = rig_.SettledLogOf(app_.pid()).size();
    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(rig_.LogOf(app_.pid()).size(), callsBefore) << "a call after the release";
    EXPECT_FALSE(IconOf(main));
}

TEST_F(TrayTest, TokensComingAndGoingRescanAndAPullWarnsOnTop) {
    StartHidden();
    ASSERT_EQ(Notify("arrival --name \\\\?\\usbstor#cdrom&ven_velq&prod_usb_key#2"), 0);
    EXPECT_EQ(Scans(), 2) << "the mark in lower case counts";
    ASSERT_EQ(Notify("arrival --name \\\\?\\IDE#CdRomTSSTcorp#5&1"), 0);
    ASSERT_EQ(Notify("arrival --volume"), 0);
    ASSERT_EQ(Notify("removal --null"), 0);
    EXPECT_EQ(Scans(), 2) << "other drives, volumes and empty broadcasts change nothing";

    // A default-PIN prompt stands open (here a stand-in with its title) when the token goes.
    PromptStandIn prompt(L"Change USB KEY PIN");
    ASSERT_TRUE(prompt.open());
    ASSERT_EQ(rig_.Ctl("pull E1"), 0);
    ASSERT_EQ(Notify("removal --name \\\\?\\USBSTOR#CdRom&Ven_VELQ#1 --timeout 500"), 0);
    HWND box = app_.WaitForDialog("Prompt");
    ASSERT_NE(box, nullptr) << "no removal warning";
    EXPECT_EQ(MessageBoxText(box), "USB KEY has been pulled out, please close the browser "
                                   "after your transactions for safety.");
    EXPECT_NE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "system-modal, on top";
    EXPECT_EQ(g_closesSeen.load(), 1) << "the prompt titled string 92 was not closed";
    EXPECT_EQ(Scans(), 3);
    EXPECT_EQ(app_.Tree().size(), 1u) << "the pulled token left the tree";
    AnswerDialog(box, IDOK);
}

TEST_F(TrayTest, OnThe9xFamilyEveryFourthEventIsActedOnAfterAPause) {
    SetWindowsVersion("Keystead.exe", "win98");
    const bool started = app_.Start(rig_.dir());
    SetWindowsVersion("Keystead.exe", "winxp");
    ASSERT_TRUE(started);
    std::string acted;
    for (int event = 1; event <= 9; ++event) {
        const int before = Scans();
        const DWORD start = GetTickCount();
        // On the 9x family the name is not looked at: any arrival counts.
        ASSERT_EQ(Notify("arrival --name anything --timeout 5000"), 0);
        app_.Send(WM_NULL);
        const DWORD took = GetTickCount() - start;
        acted += Scans() > before ? '1' : '0';
        if (Scans() > before) {
            EXPECT_GE(took, 900u) << "acted on without its pause, event " << event;
        }
    }
    EXPECT_EQ(acted, "100010001");
}

// The icon shows whatever family Wine presents, and where the shell reports 4.71 (the Keystead
// built to see a shell before 5.0, whose icon takes the first, 88-byte record).
TEST_F(TrayTest, TheIconShowsInEveryFamilyAndOnAShellBefore5) {
    ASSERT_EQ(rig_.Ctl("pull E1"), 0); // no token: the Vista family's label would end Keystead
    const struct {
        const char* version;
        bool olderShell;
    } runs[] = {{"win95", false}, {"win98", false}, {"winme", false}, {"nt40", false},
                {"win2k", false}, {"winxp", false}, {"vista", false}, {"win7", false},
                {"win81", false}, {"win10", false}, {"win95", true},  {"nt40", true},
                {"winxp", true}};
    for (const auto& run : runs) {
        SetWindowsVersion("Keystead.exe", run.version);
        const bool started = app_.Start(
            rig_.dir(), run.olderShell ? TestBinDir() + "\\absent\\Keystead.exe" : KeysteadPath());
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_TRUE(started) << run.version;
        int shown = 0;
        for (int i = 0; i < 40 && shown == 0; ++i, Sleep(100))
            shown = TrayTipsReading(L"Keystead");
        EXPECT_EQ(shown, 1) << run.version << (run.olderShell ? " with shell 4.71" : "");
        EXPECT_TRUE(IconPresent()) << run.version;
        app_.Send(kEndRequest);
        DWORD code = 0;
        EXPECT_TRUE(app_.WaitExit(10000, &code)) << run.version;
        EXPECT_EQ(TrayTipsReading(L"Keystead"), 0) << run.version << ": the icon went with it";
    }
}
