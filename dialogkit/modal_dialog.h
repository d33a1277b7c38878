// Modal dialogs made from templates by number, with a dispatch table per dialog class.
// The dialog procedure hands every message first to WindowProc, whose default looks the
// message up in the table and otherwise leaves it to the platform's dialog handling. Messages
// the dialog's own loop takes from the queue pass PreTranslateMessage first.
#pragma once

#include <windows.h>

namespace dialogkit {

class ModalDialog;

// One row of a dialog's dispatch table. Command rows match WM_COMMAND by control or menu id,
// notify rows WM_NOTIFY by control id and notice code, message rows any other message.
// A row of kind kMessageOrDefault handles its message only when its handler says so; else the
// platform's dialog handling does.
template <class Dialog> struct DispatchEntry {
    enum Kind { kMessage, kMessageOrDefault, kCommand, kNotify };
    Kind kind;
    UINT message; // kMessage, kMessageOrDefault: the message
    UINT id;      // kCommand, kNotify: the control or menu identifier
    UINT code;    // kNotify: the notice code
    LRESULT (Dialog::*onMessage)(WPARAM, LPARAM);
    void (Dialog::*onCommand)();
    void (Dialog::*onNotify)(NMHDR*, LRESULT*);
    bool (Dialog::*onMessageOrDefault)(WPARAM, LPARAM, LRESULT*);
};

template <class Dialog>
constexpr DispatchEntry<Dialog> OnMessage(UINT message,
                                          LRESULT (Dialog::*handler)(WPARAM, LPARAM)) {
    return {DispatchEntry<Dialog>::kMessage, message, 0, 0, handler, nullptr, nullptr, nullptr};
}
template <class Dialog>
constexpr DispatchEntry<Dialog>
OnMessageOrDefault(UINT message, bool (Dialog::*handler)(WPARAM, LPARAM, LRESULT*)) {
    return {DispatchEntry<Dialog>::kMessageOrDefault,
            message,
            0,
            0,
            nullptr,
            nullptr,
            nullptr,
            handler};
}
template <class Dialog>
constexpr DispatchEntry<Dialog> OnCommand(UINT id, void (Dialog::*handler)()) {
    return {DispatchEntry<Dialog>::kCommand, WM_COMMAND, id, 0, nullptr, handler, nullptr, nullptr};
}
template <class Dialog>
constexpr DispatchEntry<Dialog> OnNotify(UINT id, UINT code,
                                         void (Dialog::*handler)(NMHDR*, LRESULT*)) {
    return {
        DispatchEntry<Dialog>::kNotify, WM_NOTIFY, id, code, nullptr, nullptr, handler, nullptr};
}

// Runs the first row that matches; true (with *result) when it handled the message.
template <class Dialog, size_t N>
bool Dispatch(Dialog* dialog, const DispatchEntry<Dialog> (&table)[N], UINT message, WPARAM wp,
              LPARAM lp, LRESULT* result) {
    for (const DispatchEntry<Dialog>& e : table) {
        if (e.message != message)
            continue;
        if (e.kind == DispatchEntry<Dialog>::kMessage) {
            *result = (dialog->*e.onMessage)(wp, lp);
            return true;
        }
        if (e.kind == DispatchEntry<Dialog>::kMessageOrDefault) {
            *result = 0;
            return (dialog->*e.onMessageOrDefault)(wp, lp, result);
        }
        // A button click and a menu choice both arrive with notice code 0.
        if (e.kind == DispatchEntry<Dialog>::kCommand && LOWORD(wp) == e.id && HIWORD(wp) == 0) {
            (dialog->*e.onCommand)();
            *result = 0;
            return true;
        }
        if (e.kind == DispatchEntry<Dialog>::kNotify && lp) {
            NMHDR* notice = reinterpret_cast<NMHDR*>(lp);
            if (notice->idFrom == e.id && notice->code == e.code) {
                *result = 0;
                (dialog->*e.onNotify)(notice, result);
                return true;
            }
        }
    }
    return false;
}

class ModalDialog {
  public:
    explicit ModalDialog(UINT templateId) : templateId_(templateId) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog until it ends; returns the code given to EndDialog, -1 on failure.
    // Without a parent the application's main window owns it, from whatever thread it runs.
    // A dialog object runs once at a time: asked again while it runs, or once the application
    // is ending, it shows nothing and answers IDCANCEL.
    INT_PTR RunModal(HWND parent);
    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    void EndDialog(INT_PTR code);

  protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Every message comes here first. Returns true when handled, with *result as the answer.
    virtual bool WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result);
    // The dialog's dispatch table; the default has none.
    virtual bool DispatchMessageTable(UINT message, WPARAM wp, LPARAM lp, LRESULT* result);
    // A queued message for this dialog or one of its controls, before the dialog handling
    // (keyboard navigation, Enter, Escape) sees it. True consumes it.
    virtual bool PreTranslateMessage(MSG*) { return false; }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK FilterQueuedMessage(int code, WPARAM wp, LPARAM lp);

    UINT templateId_;
    HWND hwnd_ = nullptr;
    ModalDialog* outer_ = nullptr; // the dialog this one runs inside, on the same thread
    HHOOK filter_ = nullptr;       // set on the outermost dialog of a thread only
    bool running_ = false;
};

// The application's main window, which owns dialogs run without a parent. Set once, before
// any other thread exists.
void SetApplicationWindow(const ModalDialog* main);
HWND ApplicationWindow();

// The application is ending: from now on no dialog or box shows, and those open on any thread
// of the process are cancelled as the user would (Cancel, else No, else OK for a box), so the
// code that waits in them goes on and comes to its end. The main window is left to its caller.
void EndOpenDialogs();
bool ApplicationEnding();

} // namespace dialogkit
