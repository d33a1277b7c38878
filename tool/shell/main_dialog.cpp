#include "main_dialog.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "resources/resource.h"
#include "token/scan_state.h"

#include <cstddef>
#include <cstring>

MainDialog::MainDialog(HWND)
    : ModalDialog(IDD_MAIN_DIALOG),
      // Shared: standard sizes, which the system keeps and frees itself.
      m_hIcon(static_cast<HICON>(
          LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KEYSTEAD), IMAGE_ICON,
                     GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED))),
      m_hSmallIcon(static_cast<HICON>(
          LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KEYSTEAD), IMAGE_ICON,
                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED))) {
    std::memset(m_containerName, 0, sizeof m_containerName);
}

bool MainDialog::DispatchMessageTable(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) {
    using namespace dialogkit;
    static const DispatchEntry<MainDialog> table[] = {
        OnMessageOrDefault<MainDialog>(WM_PAINT, &MainDialog::OnPaint),
        OnMessageOrDefault<MainDialog>(WM_SYSCOMMAND, &MainDialog::OnSysCommand),
        OnMessage<MainDialog>(kIconCallback, &MainDialog::OnIconCallback),
        OnMessage<MainDialog>(kShowRequest, &MainDialog::OnShowRequest),
        OnMessage<MainDialog>(kEndRequest, &MainDialog::OnEndRequest),
        OnMessage<MainDialog>(WM_QUERYDRAGICON, &MainDialog::OnQueryDragIcon),
        OnNotify<MainDialog>(IDC_TOKEN_TREE, TVN_SELCHANGEDA, &MainDialog::OnSelChangedTree),
        OnNotify<MainDialog>(IDC_TOKEN_TREE, TVN_SELCHANGEDW, &MainDialog::OnSelChangedTree),
        OnCommand<MainDialog>(IDC_CHANGE_PIN, &MainDialog::OnChangePin),
        OnCommand<MainDialog>(IDC_VIEW_CERT, &MainDialog::OnViewCert),
        OnCommand<MainDialog>(IDC_REFRESH, &MainDialog::OnRefreshButton),
        OnCommand<MainDialog>(IDC_REGISTER_CERT, &MainDialog::OnRegisterCert),
        OnCommand<MainDialog>(IDC_UNREGISTER_CERT, &MainDialog::OnUnregisterCert),
        OnCommand<MainDialog>(IDC_SYSTEM_INFO, &MainDialog::OnSystemInformation),
        OnCommand<MainDialog>(IDC_DAC_BINDING, &MainDialog::OnDacBinding),
        OnMessage<MainDialog>(WM_CLOSE, &MainDialog::OnClose),
        OnCommand<MainDialog>(ID_TRAY_QUIT, &MainDialog::OnTrayQuit),
        OnCommand<MainDialog>(ID_TRAY_REFRESH, &MainDialog::OnTrayRefresh),
        OnCommand<MainDialog>(ID_TRAY_SHOW, &MainDialog::OnTrayShow),
        OnCommand<MainDialog>(ID_TRAY_REPORT, &MainDialog::OnSupportReport),
        OnMessage<MainDialog>(WM_DEVICECHANGE, &MainDialog::OnDeviceChange),
        OnMessage<MainDialog>(WM_HELP, &MainDialog::OnHelp),
    };
    return Dispatch(this, table, message, wp, lp, result);
}

BOOL MainDialog::OnInitDialog() {
    m_tree.Attach(Item(IDC_TOKEN_TREE));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    SetWindowTextA(hwnd(), LoadText(IDS_KEYSTEAD_TITLE).c_str());
    RegisterForTokenEvents();
    m_nid.Add(hwnd(), IDI_KEYSTEAD, kIconCallback, LoadText(IDS_KEYSTEAD_TITLE));

    // Without the mutex nothing could keep scans apart; without the library nothing works.
    if (!TheScanState().HasScanMutex() || !m_tokenLib.Bind())
        EndForUnusableLibrary();
    OnRefresh();
    m_bVisible = 0;
    return FALSE;
}

LRESULT MainDialog::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT MainDialog::OnHelp(WPARAM, LPARAM) {
    return TRUE;
}
