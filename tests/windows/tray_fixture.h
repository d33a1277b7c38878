// What the tray tests share: a Keystead started hidden over one virtual token, and a way to
// see whether its notification-area icon exists.
#pragma once

#include "keystead_driver.h"
#include "lent_memory.h"
#include "tray_reader.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

namespace keystead_test {
namespace {

// Whether the shell still holds the icon of that window: only an existing icon can be modified.
bool IconOf(HWND window) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = offsetof(NOTIFYICONDATAA, guidItem);
    nid.hWnd = window;
    nid.uID = 128;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

class TrayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_EQ(rig_.Ctl("create E1 --changed --container Ellen:both"), 0);
    }
    void TearDown() override { app_.Kill(); }

    void StartHidden(const std::string& exe = KeysteadPath()) {
        ASSERT_TRUE(app_.Start(rig_.dir(), exe));
        ASSERT_TRUE(SettlesHidden()) << "the first paint hides the window";
    }
    // Whether the window ends up hidden and stays so a while. The dialog manager may show it
    // once more when its queue first runs empty, and without a window manager Wine may map it
    // again after a hide; while Keystead means to be hidden its next paint hides it again.
    bool SettlesHidden() {
        int hiddenFor = 0;
        for (int i = 0; i < 200 && hiddenFor < 12; ++i) {
            hiddenFor = IsWindowVisible(app_.main()) ? 0 : hiddenFor + 1;
            // Without a window manager a covered window may wait long for its paint; ask for
            // it as an uncovering would.
            if (i % 20 == 19 && hiddenFor == 0)
                RedrawWindow(app_.main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
            Sleep(50);
        }
        return !IsWindowVisible(app_.main());
    }
    // Each scan asks for the device list twice: for its size, then for the list.
    int Scans() {
        const auto log = rig_.LogOf(app_.pid());
        return static_cast<int>(
                   std::count_if(log.begin(), log.end(),
                                 [](const LogLine& l) { return l.function == "ZQ_ListAllDev"; })) /
               2;
    }
    bool IconPresent() { return IconOf(app_.main()); }
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
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A window of the dialog class with the given title, such as a default-PIN prompt left open,
// on a thread of its own, counting the WM_CLOSE messages it gets. Gone after 20 s at the latest.
class PromptStandIn {
  public:
    explicit PromptStandIn(const std::wstring& title) {
        g_closesSeen = 0;
        thread_ = std::thread([this, title] { Run(title); });
        while (!ready_.load())
            Sleep(10);
    }
    ~PromptStandIn() {
        if (IsWindow(window_))
            PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    bool open() const { return window_ != nullptr; }

  private:
    void Run(const std::wstring& title) {
        // Registered under the dialog class name so that a search by class finds it.
        WNDCLASSW dialog = {};
        GetClassInfoW(nullptr, L"#32770", &dialog);
        dialog.lpfnWndProc = CountCloses;
        dialog.hInstance = GetModuleHandleW(nullptr);
        dialog.lpszClassName = L"#32770";
        RegisterClassW(&dialog);
        window_ = CreateWindowW(L"#32770", title.c_str(), WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        ready_ = true;
        MSG msg;
        const DWORD start = GetTickCount();
        while (IsWindow(window_) && GetTickCount() - start < 20000) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(10);
        }
    }

    std::thread thread_;
    std::atomic<bool> ready_{false};
    HWND window_ = nullptr;
};

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
