// The default-PIN prompt (dialog 141): the Change PIN dialog on a template with no Cancel
// button, which Escape cannot close either.
#pragma once

#include "change_pin_dialog.h"

class DefaultPinDialog : public ChangePinDialog {
  public:
    DefaultPinDialog();

  protected:
    bool PreTranslateMessage(MSG* msg) override;
};
