// Drives the real Keystead.exe from another process, as a person would: finds its windows
// (hidden ones too), reads the tree, reads and presses buttons, reads and answers message
// boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "resource.h"

namespace keystead_test {

// The text of a system message box.
constexpr int kMessageBoxText = 0xFFFF;
// What Keystead's main window takes from the shell and from other programs.
constexpr UINT kIconCallback = WM_USER + 1, kShowRequest = WM_USER + 2, kEndRequest = WM_USER + 3;
// The card serial's fields in the order the user fills them: the serial's groups, then the
// confirmation's.
constexpr int kCardSerialFields[8] = {IDC_SERIAL1_GROUP1, IDC_SERIAL1_GROUP2, IDC_SERIAL1_GROUP3,
                                      IDC_SERIAL1_GROUP4, IDC_SERIAL2_GROUP1, IDC_SERIAL2_GROUP2,
                                      IDC_SERIAL2_GROUP3, IDC_SERIAL2_GROUP4};

struct TreeItem {
    HTREEITEM handle = nullptr;
    int depth = 0; // 0 token, 1 container, 2 certificate
    std::string text;
    bool selected = false;
};

// Sets what Wine reports as the Windows version to programs of this file name.
void SetWindowsVersion(const std::string& exeName, const char* version);

std::string KeysteadPath(bool chinese = false);
// A text of the string table of that Keystead, as it holds it in the ANSI code page.
std::string ResourceText(bool chinese, UINT id);

class KeysteadRun {
  public:
    KeysteadRun() = default;
    ~KeysteadRun();
    KeysteadRun(const KeysteadRun&) = delete;
    KeysteadRun& operator=(const KeysteadRun&) = delete;

    // The next Launch hands the program this inheritable file as its standard output.
    void RedirectOutput(HANDLE file) { output_ = file; }
    // The next Launch starts the program in this folder instead of its own.
    void SetWorkingFolder(const std::string& dir) { workingFolder_ = dir; }
    // The next Launch gives the program this command line after its name.
    void SetArguments(const std::string& arguments) { arguments_ = arguments; }
    // Starts the program with ZQSIM_RIG set; true once the process runs.
    bool Launch(const std::string& rig, const std::string& exe = KeysteadPath());
    // Waits until the main window exists and has finished its start-up (its first scan).
    bool WaitForMainWindow(DWORD timeoutMs = 20000);
    bool Start(const std::string& rig, const std::string& exe = KeysteadPath()) {
        return Launch(rig, exe) && WaitForMainWindow();
    }
    // True with the exit code when the process ended within timeoutMs.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode);
    void Kill();

    // Looks at a Keystead this object did not start; Detach before it goes.
    void Attach(HWND main, DWORD pid) {
        main_ = main;
        pi_.dwProcessId = pid;
    }
    void Detach() { pi_ = PROCESS_INFORMATION(); }

    DWORD pid() const { return pi_.dwProcessId; }
    HANDLE process() const { return pi_.hProcess; }
    HWND main() const { return main_; }
    HWND tree() const { return GetDlgItem(main_, IDC_TOKEN_TREE); }

    std::vector<TreeItem> Tree() const;
    std::string TreeText() const; // one line per item, indented by depth, '*' marks selection
    bool Select(HTREEITEM item) const;
    bool ButtonEnabled(int id) const { return IsWindowEnabled(GetDlgItem(main_, id)) != FALSE; }
    void Click(int id) const;
    // Sends a message and waits until the main window has handled it.
    LRESULT Send(UINT message, WPARAM wp = 0, LPARAM lp = 0) const;

    // A dialog-class window of this process with that title, waiting up to timeoutMs.
    HWND WaitForDialog(const std::string& title, DWORD timeoutMs = 10000) const;
    std::vector<HWND> TopWindows() const;

  private:
    PROCESS_INFORMATION pi_ = {};
    HWND main_ = nullptr;
    HANDLE output_ = nullptr;
    std::string workingFolder_;
    std::string arguments_;
};

// A copy of Keystead in a folder of its own, with no token library beside it; gone with this.
class KeysteadWithoutLibrary {
  public:
    KeysteadWithoutLibrary();
    ~KeysteadWithoutLibrary();
    KeysteadWithoutLibrary(const KeysteadWithoutLibrary&) = delete;
    KeysteadWithoutLibrary& operator=(const KeysteadWithoutLibrary&) = delete;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

  private:
    std::string dir_, path_;
    bool ok_ = false;
};

std::string WindowText(HWND hwnd);
// A key pressed in a field, delivered straight to it (not through its dialog's loop).
void PressKey(HWND field, UINT virtualKey, char character);
void TypeKeys(HWND field, const std::string& keys);
// The text of a message box.
std::string MessageBoxText(HWND box);
void AnswerDialog(HWND box, int buttonId);
// Answers and waits up to timeoutMs until the box is gone; true once it is.
bool AnswerAndWaitGone(HWND box, int buttonId, DWORD timeoutMs = 5000);

} // namespace keystead_test
