// Keystead at the screen's scale: with its manifest it is drawn for the screen's DPI rather than
// stretched as a bitmap, so its main window and the font its controls are measured in grow with
// the DPI, in both sets.
#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace keystead_test;

namespace {

const char kDesktop[] = "Control Panel\\Desktop";

// The screen's DPI as Wine takes it for each program it starts; 96 again when this goes.
class ScreenDpi {
  public:
    ~ScreenDpi() { Set(96); }
    static void Set(DWORD dpi) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktop, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
        RegCloseKey(key);
    }
};

struct Measured {
    long windowWidth = 0, windowHeight = 0, buttonHeight = 0;
};

} // namespace

TEST(Scaling, TheMainWindowAndTheFontOfItsControlsGrowWithTheScreensDpi) {
    SetProcessDPIAware(); // this process measures in the screen's pixels
    SetWindowsVersion("Keystead.exe", "win10");
    ScreenDpi restore;
    TestRig rig;
    for (bool chinese : {false, true}) {
        Measured at96;
        for (DWORD dpi : {96u, 144u, 192u}) {
            SCOPED_TRACE(std::to_string(dpi) + (chinese ? " dpi, zh-CN" : " dpi, en"));
            ScreenDpi::Set(dpi);
            KeysteadRun app;
            ASSERT_TRUE(app.Start(rig.dir(), KeysteadPath(chinese)));
            RECT window = {}, button = {};
            ASSERT_TRUE(GetWindowRect(app.main(), &window));
            ASSERT_TRUE(GetWindowRect(GetDlgItem(app.main(), IDC_REFRESH), &button));
            app.Kill();
            const Measured now{window.right - window.left, window.bottom - window.top,
                               button.bottom - button.top};
            if (dpi == 96) {
                at96 = now;
                continue;
            }
            // The frame's borders do not all grow, and the font's size is whole points: about
            // the DPI's ratio, not exactly.
            const double ratio = dpi / 96.0;
            EXPECT_NEAR(now.windowWidth, at96.windowWidth * ratio, at96.windowWidth * ratio * 0.12);
            EXPECT_NEAR(now.windowHeight, at96.windowHeight * ratio,
                        at96.windowHeight * ratio * 0.12);
            EXPECT_NEAR(now.buttonHeight, at96.buttonHeight * ratio,
                        at96.buttonHeight * ratio * 0.15)
                << "the controls' font did not follow the DPI";
        }
    }
    SetWindowsVersion("Keystead.exe", "winxp");
}
