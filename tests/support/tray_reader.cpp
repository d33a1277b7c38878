#include "tray_reader.h"

#include "lent_memory.h"

#include <commctrl.h>

#include <algorithm>

namespace keystead_test {
namespace {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

} // namespace

// The tips of the notification-area icons as the shell shows them. Wine's tray keeps them in
// tooltip controls owned by its tray window (on X11 "__winex11_standalone_tray") or by each
// icon's own window ("__wine_tray_icon"); the controls live in the shell's process, so their
// texts are read through memory lent there.
std::vector<std::wstring> TrayTips() {
    std::vector<std::wstring> tips;
    for (HWND w = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w;
         w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
        const HWND owner = GetWindow(w, GW_OWNER);
        const std::wstring ownerClass = owner ? ClassOf(owner) : L"";
        if (ownerClass != L"__winex11_standalone_tray" && ownerClass != L"__wine_tray_icon")
            continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        const SIZE_T textOffset = 512, textChars = 256;
        LentMemory lent(pid, textOffset + textChars * sizeof(wchar_t));
        DWORD_PTR count = 0;
        if (lent.ok())
            SendMessageTimeoutW(w, TTM_GETTOOLCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
        for (DWORD_PTR i = 0; i < count && i < 16; ++i) {
            TTTOOLINFOW info = {};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<LPWSTR>(lent.at(textOffset));
            const wchar_t none = 0;
            DWORD_PTR found = 0;
            wchar_t text[textChars] = {};
            if (lent.Write(0, &info, sizeof info) && lent.Write(textOffset, &none, sizeof none) &&
                SendMessageTimeoutW(w, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(lent.at(0)),
                                    SMTO_NORMAL, 5000, &found) &&
                found && lent.Read(textOffset, text, sizeof text - sizeof(wchar_t)))
                tips.push_back(text);
        }
    }
    return tips;
}

int TrayTipsReading(const std::wstring& tip) {
    const std::vector<std::wstring> tips = TrayTips();
    return static_cast<int>(std::count(tips.begin(), tips.end(), tip));
}

} // namespace keystead_test
