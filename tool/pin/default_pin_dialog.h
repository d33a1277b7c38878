// The default-PIN prompt (dialog 141): the Change PIN dialog on a template with no Cancel
// button, which neither Escape nor Alt+F4 can close.
#pragma once

#include "change_pin_dialog.h"

class DefaultPinDialog : public ChangePinDialog {
  public:
    DefaultPinDialog();

  protected:
    bool PreTranslateMessage(MSG* msg) override;
    // Alt+F4 and the close box: as Escape, they do not put the change off. WM_CLOSE itself
    // still ends the prompt (a pulled token's, or Keystead's end).
    bool WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;
};
