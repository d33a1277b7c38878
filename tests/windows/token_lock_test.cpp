// The vendor lock bracket: one holder at a time across threads and processes, recursive for its
// holder, and a waiting user-interface thread still answers messages sent to its windows.
#include "test_paths.h"
#include "token/vendor_entries.h"
#include "token/token_lock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

typedef std::int32_t (*DepthFn)();

class TokenLockTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        rig_ = keystead_test::MakeTempDir("lockrig");
        SetEnvironmentVariableA("ZQSIM_RIG", rig_.c_str());
        ASSERT_EQ(BindTokenApi((keystead_test::BinDir() + "\\ZQCSP.dll").c_str(), &library_), 1);
        depth_ = reinterpret_cast<DepthFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(library_, "ZQSim_LockDepth")));
        ASSERT_NE(depth_, nullptr);
    }
    static void TearDownTestSuite() {
        UnbindTokenApi(library_);
        keystead_test::RemoveTree(rig_);
    }

    static std::string rig_;
    static HMODULE library_;
    static DepthFn depth_;
};

std::string TokenLockTest::rig_;
HMODULE TokenLockTest::library_ = nullptr;
DepthFn TokenLockTest::depth_ = nullptr;

} // namespace

TEST_F(TokenLockTest, TheHolderMayReopenItsBracketAndOthersWaitUntilItIsFullyClosed) {
    std::atomic<int> stage{0};
    std::atomic<bool> otherInside{false};
    std::atomic<int> stageWhenOtherEntered{-1};
    std::thread holder([&] {
        TokenLockBracket outer;
        {
            TokenLockBracket inner;
            EXPECT_EQ(depth_(), 2);
            stage = 1;
            Sleep(200);
        }
        EXPECT_EQ(depth_(), 1);
        stage = 2;
        Sleep(200);
        EXPECT_FALSE(otherInside.load()) << "the bracket is still open once";
        stage = 3;
    });
    while (stage.load() < 1)
        Sleep(5);
    std::thread other([&] {
        TokenLockBracket bracket;
        stageWhenOtherEntered = stage.load();
        otherInside = true;
        EXPECT_EQ(depth_(), 1);
    });
    holder.join();
    other.join();
    EXPECT_EQ(stageWhenOtherEntered.load(), 3);
    EXPECT_EQ(depth_(), 0);
}

namespace {

std::atomic<bool> g_answered{false};

LRESULT CALLBACK AnswerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        g_answered = true;
        return 42;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

TEST_F(TokenLockTest, AWaitingWindowThreadStillAnswersMessagesSentByTheHolder) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AnswerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KeysteadLockTestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0) << GetLastError();
    // A message-only window: all the test needs is a window of this thread to send to.
    HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr) << GetLastError();

    std::atomic<bool> holding{false};
    std::atomic<bool> sendOk{false};
    std::thread holder([&] {
        TokenLockBracket bracket;
        holding = true;
        Sleep(100); // let the window thread start waiting for the bracket
        DWORD_PTR result = 0;
        // A box owned by the main window needs exactly this from the waiting thread.
        sendOk = SendMessageTimeoutA(window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &result) != 0 &&
                 result == 42;
    });
    while (!holding.load())
        Sleep(5);
    {
        TokenLockBracket bracket; // blocks until the holder is done
        EXPECT_TRUE(g_answered.load());
    }
    holder.join();
    EXPECT_TRUE(sendOk.load()) << "the sent message was not served while waiting";
    DestroyWindow(window);
}

TEST_F(TokenLockTest, TheLockReachesAcrossProcessesThatShareARig) {
    const std::string command =
        "\"" + keystead_test::BinDir() + "\\zqsimctl.exe\" --rig \"" + rig_ + "\" hold-lock 1500";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    std::string mutableCommand = command;
    ASSERT_TRUE(CreateProcessA(nullptr, &mutableCommand[0], nullptr, nullptr, TRUE, 0, nullptr,
                               nullptr, &si, &pi));
    CloseHandle(writeEnd);
    char buffer[64] = {};
    DWORD got = 0;
    std::string output;
    while (output.find("locked") == std::string::npos &&
           ReadFile(readEnd, buffer, sizeof buffer - 1, &got, nullptr) && got > 0)
        output.append(buffer, got);
    ASSERT_NE(output.find("locked"), std::string::npos) << output;

    const DWORD before = GetTickCount();
    g_tokenApi.LockUKey();
    const DWORD waited = GetTickCount() - before;
    EXPECT_EQ(depth_(), 1);
    g_tokenApi.UnlockUKey();
    EXPECT_GE(waited, 1000u) << "LockUKey did not wait for the other process";

    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(readEnd);
    EXPECT_EQ(g_tokenApi.UnlockUKey(), 0x6985) << "unlocking an unheld lock is refused";
}
