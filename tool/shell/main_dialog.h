// Keystead's main window (dialog 102): the token tree, the command buttons and the
// notification-area icon. Its dispatch table routes each message to the subsystem that owns it.
#pragma once

#include "dialogkit/modal_dialog.h"
#include "pin/change_pin_dialog.h"
#include "pin/pin_entry_dialog.h"
#include "resources/resource.h"
#include "token/token_api.h"
#include "token/token_tree.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>

class MonitorBatch;

class MainDialog : public dialogkit::ModalDialog {
  public:
    // The private messages: the icon's callback, and the requests other programs may send to
    // show Keystead or to end it.
    static constexpr UINT kIconCallback = WM_USER + 1; // 1025
    static constexpr UINT kShowRequest = WM_USER + 2;  // 1026
    static constexpr UINT kEndRequest = WM_USER + 3;   // 1027

    explicit MainDialog(HWND parent);

    // Token access (tool/token)
    void OnRefresh();
    DeviceNode* GetDeviceNode(HTREEITEM item) const { return m_tree.DeviceNodeOf(item); }

    // Selection and command state (tool/shell/command_state.cpp)
    void DisableTokenCommands();
    int QueryDynamicCodeState(HTREEITEM item);
    // The token of the selected item; null, after telling the user, when there is none.
    const DeviceNode* SelectedDeviceOrTell();

  protected:
    BOOL OnInitDialog() override;
    // Every message of the main window that Keystead handles itself is routed here.
    bool DispatchMessageTable(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void OnCancel() override;

  private:
    // Refresh and the scan (tool/shell/scan_command.cpp)
    void ScanTokens();
    void ScanInsideBracket(MonitorBatch& monitors);

    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnHelp(WPARAM, LPARAM);
    void OnSelChangedTree(NMHDR* notice, LRESULT* result);
    void OnRefreshButton() { OnRefresh(); }

    // Tray icon, visibility and exit (tool/shell/tray.cpp)
    void ShowMainWindow();
    void ShowTrayMenu();
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

    // Certificate commands (tool/certificates/cert_commands.cpp)
    const CertNode* SelectedCertificate();
    void OnViewCert();
    void OnRegisterCert();
    void OnUnregisterCert();

    // PIN commands (tool/shell/pin_commands.cpp)
    void OnChangePin();

    // Card binding (tool/shell/card_commands.cpp)
    void OnDacBinding();

    // Installation check (tool/install_check/system_information.cpp)
    void OnSystemInformation();

    HDEVNOTIFY m_devNotify = nullptr;
    std::int32_t m_bVisible = 0;
    TokenTreeCtrl m_tree;
    HICON m_hIcon = nullptr;
    NOTIFYICONDATAA m_nid;
    HMODULE m_hTokenLib = nullptr;
    ChangePinDialog m_dlgChangePin{IDD_CHANGE_PIN};
    UserPinDialog m_dlgUserPin;
    char m_containerName[128]; // the scan's container-name buffer
};
