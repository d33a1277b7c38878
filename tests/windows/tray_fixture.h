// What the tray tests share: a Keystead started hidden over one virtual token, and a way to
// see whether its notification-area icon exists.
#pragma once

#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

namespace keystead_test {
namespace {

const UINT kIconCallback = WM_USER + 1, kShowRequest = WM_USER + 2, kEndRequest = WM_USER + 3;

// Whether the shell still holds the icon of that window: only an existing icon can be modified.
bool IconOf(HWND window) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = 488;
    nid.hWnd = window;
    nid.uID = 128;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

class TrayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_EQ(rig_.Ctl("create E1 --container Ellen:both"), 0);
    }
    void TearDown() override { app_.Kill(); }

    void StartHidden(const std::string& exe = KeysteadPath()) {
        ASSERT_TRUE(app_.Start(rig_.dir(), exe));
        // The dialog manager may show the window once more when its queue first runs empty;
        // the next paint hides it again. Wait until it has stayed hidden a while.
        int hiddenFor = 0;
        for (int i = 0; i < 200 && hiddenFor < 12; ++i) {
            hiddenFor = IsWindowVisible(app_.main()) ? 0 : hiddenFor + 1;
            // Without a window manager a covered window may wait long for its paint; ask for
            // it as an uncovering would.
            if (i % 20 == 19 && hiddenFor == 0)
                RedrawWindow(app_.main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
            Sleep(50);
        }
        ASSERT_FALSE(IsWindowVisible(app_.main())) << "the first paint hides the window";
    }
    int Scans() {
        const auto log = rig_.LogOf(app_.pid());
        return static_cast<int>(
                   std::count_if(log.begin(), log.end(),
                                 [](const LogLine& l) { return l.function == "ZQ_ListAllDev"; })) /
               2;
    }
    bool IconPresent() { return IconOf(app_.main()); }
    // Delivered as the shell and the system deliver them, and handled before this returns.
    void Post(UINT message, WPARAM wp, LPARAM lp) { app_.Send(message, wp, lp); }
    int Notify(const std::string& arguments) { return rig_.Ctl("notify " + arguments); }

    TestRig rig_;
    KeysteadRun app_;
};

std::atomic<int> g_closesSeen{0};

inline LRESULT CALLBACK CountCloses(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        ++g_closesSeen;
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

inline std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &copied);
    return std::wstring(text, copied < 1024 ? copied : 0);
}

// A string of the Simplified Chinese set, as its program holds it.
inline std::wstring ChineseString(UINT id) {
    HMODULE module = LoadLibraryExA((BinDir() + "\\zh-CN\\Keystead.exe").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
    const wchar_t* entry = nullptr;
    const int length = module ? LoadStringW(module, id, reinterpret_cast<LPWSTR>(&entry), 0) : 0;
    std::wstring text = length > 0 && entry ? std::wstring(entry, length) : std::wstring();
    if (module)
        FreeLibrary(module);
    return text;
}

} // namespace
} // namespace keystead_test
