#include "message_box.h"

#include "string_table.h"

namespace dialogkit {

int ShowTextBox(HWND owner, UINT textId, UINT captionId, UINT style) {
    return MessageBoxA(owner, LoadText(textId).c_str(), LoadText(captionId).c_str(), style);
}

} // namespace dialogkit
