// A control of a dialog whose messages a class of ours sees first (window subclassing), and
// which gets its own notices back from the parent (reflection): the parent dialog hands a
// WM_COMMAND that came from such a control to the control as kReflectedCommand and does not
// handle it itself.
#pragma once

#include <windows.h>

namespace dialogkit {

constexpr UINT kReflectedCommand = WM_USER + 0x2000 + WM_COMMAND;

class SubclassedWindow {
  public:
    SubclassedWindow() = default;
    virtual ~SubclassedWindow() { Unsubclass(); }
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    // Binds this object to the dialog's control; the binding ends with the control's window.
    bool SubclassDlgItem(int id, HWND dialog);
    void Unsubclass();
    HWND hwnd() const { return hwnd_; }

    // The object bound to a window, if any.
    static SubclassedWindow* FromHandle(HWND window);

  protected:
    // Right after the binding, and right before it ends while the control still exists. A class
    // that uses the second calls Unsubclass in its own destructor.
    virtual void OnBound() {}
    virtual void OnUnbinding() {}
    // Every message comes here first; true when handled, with *result as the answer.
    virtual bool WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) = 0;
    // The control's own handling of a message.
    LRESULT Default(UINT message, WPARAM wp, LPARAM lp);

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
};

} // namespace dialogkit
