#include "refused_pin_message.h"
#include "platform/format_text.h"

#include "dialogkit/message_box.h"
#include "dialogkit/string_table.h"
#include "resources/resource.h"

#include <cstdio>

void ShowRefusedPin(HWND owner, int attemptsLeft) {
    if (attemptsLeft <= 0) {
        dialogkit::ShowTextBox(owner, IDS_PIN_LOCKED, IDS_PROMPT, MB_ICONERROR);
        return;
    }
    char text[128];
    platform::FormatText(text, sizeof text,
                         LoadText(IDS_WRONG_PIN).c_str(), // "... %d chances still."
                         attemptsLeft);
    dialogkit::ShowBox(owner, text, LoadText(IDS_PROMPT).c_str(), MB_ICONERROR);
}
