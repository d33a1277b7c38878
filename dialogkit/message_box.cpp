#include "message_box.h"

#include "modal_dialog.h"
#include "string_table.h"

namespace dialogkit {

int ShowTextBox(HWND owner, UINT textId, UINT captionId, UINT style) {
    return ShowBox(owner, LoadText(textId).c_str(), LoadText(captionId).c_str(), style);
}

int ShowBox(HWND owner, const char* text, const char* caption, UINT style) {
    if (ApplicationEnding())
        return IDCANCEL;
    return MessageBoxA(owner, text, caption, style);
}

} // namespace dialogkit
