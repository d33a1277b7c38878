// Keystead's start: one instance per desktop, whose life is the main window's modal run.
#include "dialogkit/string_table.h"
#include "main_dialog.h"
#include "platform/library_search.h"
#include "support_report/report_mode.h"

#include <windows.h>
#include <commctrl.h>

#include <mbctype.h>

namespace {

// Names and PINs are byte strings in the ANSI code page; the runtime must agree before
// anything else runs.
const int g_ansiCodePage = _setmbcp(_MB_CP_ANSI);

struct TitleSearch {
    const char* title;
    bool found;
};

BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM data) {
    TitleSearch* search = reinterpret_cast<TitleSearch*>(data);
    char text[256];
    if (GetWindowTextA(hwnd, text, sizeof text) > 0 && lstrcmpiA(text, search->title) == 0) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// Any top-level window with Keystead's title, hidden or not, of any class, in any case.
bool AnotherInstanceRuns() {
    const std::string title = LoadText(IDS_KEYSTEAD_TITLE);
    TitleSearch search = {title.c_str(), false};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ToolApp {
  public:
    bool InitInstance() {
        MainDialog* dialog = new MainDialog(nullptr);
        if (AnotherInstanceRuns()) {
            delete dialog;
            return false;
        }
        // Dialogs run without a parent, on any thread, belong to it.
        dialogkit::SetApplicationWindow(dialog);
        dialog->RunModal(nullptr);
        dialogkit::SetApplicationWindow(nullptr);
        delete dialog;
        return false;
    }
};

ToolApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    (void)g_ansiCodePage;
    platform::TakeWorkingFolderOutOfSearch();
    // The support report runs beside a running Keystead, without a window of its own.
    int reported = 0;
    if (support_report::RunReportMode(commandLine, &reported))
        return reported;
    // Common Controls 6 (the manifest asks for it from XP on) draws the standard controls too
    // and wants them named; a library before 6 refuses a class it does not know, and then gets
    // the tree alone.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    if (!InitCommonControlsEx(&controls)) {
        controls.dwICC = ICC_TREEVIEW_CLASSES;
        InitCommonControlsEx(&controls);
    }
    theApp.InitInstance();
    return 0;
}
