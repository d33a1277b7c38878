// Keystead's main window (dialog 102): the token tree, the command buttons and the
// notification-area icon. Its dispatch table routes each message to the subsystem that owns it.
#pragma once

#include "dialogkit/modal_dialog.h"
#include "pin/change_pin_dialog.h"
#include "pin/pin_entry_dialog.h"
#include "device_notification.h"
#include "reentry_gate.h"
#include "resources/resource.h"
#include "token/token_api.h"
#include "token/token_library.h"
#include "token/token_tree.h"
#include "tray_icon.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class MonitorBatch;
class TokenSession;

class MainDialog : public dialogkit::ModalDialog {
  public:
    // The private messages: the icon's callback, and the requests other programs may send to
    // show Keystead or to end it.
    static constexpr UINT kIconCallback = WM_USER + 1; // 1025
    static constexpr UINT kShowRequest = WM_USER + 2;  // 1026
    static constexpr UINT kEndRequest = WM_USER + 3;   // 1027

    explicit MainDialog(HWND parent);

    // The one way into a scan (tool/shell/scan_command.cpp); the tree's records (tool/token)
    void OnRefresh();
    DeviceNode* GetDeviceNode(HTREEITEM item) const { return m_tree.DeviceNodeOf(item); }

    // Selection and command state (tool/shell/command_state.cpp)
    void DisableTokenCommands();
    int QueryDynamicCodeState(HTREEITEM item);
    // The name of the selected item's token, copied; false, after telling the user, when there
    // is none.
    bool SelectedDeviceOrTell(DeviceName* device);

    // One command at a time: while a command's dialog or box is up, another command (or the
    // same one again) does nothing; nor does one while a scan runs.
    class CommandPass {
      public:
        explicit CommandPass(MainDialog& dialog)
            : pass_(dialog.m_commandGate), scanIdle_(dialog.m_scanGate.open()) {}
        bool entered() const { return pass_.entered() && scanIdle_; }

      private:
        ReentryGate::Pass pass_;
        bool scanIdle_;
    };

  protected:
    BOOL OnInitDialog() override;
    // Every message of the main window that Keystead handles itself is routed here.
    bool DispatchMessageTable(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void OnCancel() override;

  private:
    // Refresh and the scan (tool/shell/scan_command.cpp). The scan hands back the token
    // certificates it read; false when it did not run.
    typedef std::vector<std::vector<unsigned char>> ScannedCertificates;
    bool ScanTokens(ScannedCertificates* found);
    void ScanInsideBracket(TokenSession& session, MonitorBatch& monitors,
                           ScannedCertificates* found);
    // Expiry warnings after a scan (tool/shell/expiry_notice.cpp)
    void AnnounceExpiringCertificates(const ScannedCertificates& certificates);

    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnHelp(WPARAM, LPARAM);
    void OnSelChangedTree(NMHDR* notice, LRESULT* result);
    void OnRefreshButton() { OnRefresh(); }

    // Tray icon, visibility and exit (tool/shell/tray.cpp)
    void ShowMainWindow();
    void ShowTrayMenu();
    // The way out of every end but a hard stop: the open dialogs cancelled, no more events,
    // the library let go of (freed once nothing can call it), the modal run ended.
    void EndKeystead();
    // Ends the process at once, taking the icon along.
    void EndOnHardStop(UINT exitCode);
    void EndForUnusableLibrary();
    void OnTrayShow();
    void OnTrayRefresh();
    void OnTrayQuit();
    bool OnSysCommand(WPARAM, LPARAM, LRESULT*);
    LRESULT OnIconCallback(WPARAM, LPARAM);
    LRESULT OnShowRequest(WPARAM, LPARAM);
    LRESULT OnEndRequest(WPARAM, LPARAM);
    bool OnPaint(WPARAM, LPARAM, LRESULT*);
    LRESULT OnClose(WPARAM, LPARAM);

    // Device arrival and removal (tool/shell/device_events.cpp)
    static bool IsWindows9x();
    void RegisterForTokenEvents();
    int IsTokenDeviceEvent(const char* name, std::size_t length, int removal);
    LRESULT OnDeviceChange(WPARAM event, LPARAM data);
    void ShowRemovalNotice();

    // Certificate commands (tool/shell/cert_commands.cpp)
    struct ChosenCertificate;
    // A copy of the selected certificate; false, after telling the user, when there is none.
    bool SelectedCertificate(ChosenCertificate* chosen);
    void OnViewCert();
    void OnRegisterCert();
    void OnUnregisterCert();

    // PIN commands (tool/shell/pin_commands.cpp)
    void OnChangePin();

    // Card binding (tool/shell/card_commands.cpp)
    void OnDacBinding();

    // The icon menu's support report (tool/shell/report_command.cpp)
    void OnSupportReport();

    // Installation check (tool/shell/install_check_command.cpp, over tool/install_check)
    void OnSystemInformation();

    // The library outlives the dialogs below, whose commands may still call into it.
    TokenLibrary m_tokenLib;
    DeviceNotification m_devNotify;
    std::int32_t m_bVisible = 0;
    TokenTreeCtrl m_tree;
    HICON m_hIcon = nullptr;      // the large icon: Alt+Tab, the taskbar at its size
    HICON m_hSmallIcon = nullptr; // the caption's, at the system's small-icon size
    TrayIcon m_nid;
    ChangePinDialog m_dlgChangePin{IDD_CHANGE_PIN};
    UserPinDialog m_dlgUserPin;
    char m_containerName[kVendorTextBytes]; // the scan's container-name buffer
    ReentryGate m_scanGate;                 // "a scan is running", whatever RefreshBusy says
    ReentryGate m_commandGate;              // "a command is running"
    bool m_ending = false;
};
