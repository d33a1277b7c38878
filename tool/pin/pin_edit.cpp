#include "pin_edit.h"

#include "platform/library_search.h"
#include "platform/system_function.h"

#include <cstring>

namespace {

// Input methods came with the Far East editions; elsewhere the module or the function may be
// missing, and there is no input method to turn off.
using AssociateContext = HANDLE WINAPI(HWND, HANDLE);

AssociateContext* InputContextAssociation() {
    platform::LoadSystemLibrary("imm32.dll");
    return FindSystemFunction<AssociateContext>("imm32.dll", "ImmAssociateContext");
}

} // namespace

void PinEdit::OnBound() {
    if (AssociateContext* associate = InputContextAssociation()) {
        m_inputContext = associate(hwnd(), nullptr);
        m_inputMethodOff = true;
    }
}

void PinEdit::OnUnbinding() {
    AssociateContext* associate = m_inputMethodOff ? InputContextAssociation() : nullptr;
    if (associate)
        associate(hwnd(), m_inputContext);
    m_inputContext = nullptr;
    m_inputMethodOff = false;
}

std::size_t PinEdit::VisibleText(char (&text)[pin::kPinBufferBytes]) {
    std::memset(text, 0, sizeof text);
    const int length = GetWindowTextA(hwnd(), text, sizeof text);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

void PinEdit::ReadPin(char* dst, int& len) {
    char text[pin::kPinBufferBytes];
    const std::size_t length = VisibleText(text);
    len = pin::ReadPin(m_field, text, length, dst);
    pin::WipeBytes(text, sizeof text);
}

void PinEdit::OnChange() {
    char text[pin::kPinBufferBytes];
    const std::size_t length = VisibleText(text);
    DWORD caret = 0;
    SendMessageA(hwnd(), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    const pin::FieldAction action = pin::OnPinChanged(m_field, text, length, caret);
    pin::WipeBytes(text, sizeof text); // it held the typed character in clear
    if (action == pin::FieldAction::kMaskLast) {
        SendMessageA(hwnd(), EM_SETSEL, length - 1, length);
        SendMessageA(hwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("*"));
        m_field.m_bReplacing = 0;                       // in case the control sent no notice for it
        SendMessageA(hwnd(), EM_EMPTYUNDOBUFFER, 0, 0); // Undo would bring the character back
    } else if (action == pin::FieldAction::kEmpty) {
        SetWindowTextA(hwnd(), "");
        SendMessageA(hwnd(), EM_EMPTYUNDOBUFFER, 0, 0);
    }
}

bool PinEdit::WindowProc(UINT message, WPARAM wp, LPARAM, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_LBUTTONDOWN:
        // Focus only: a click neither moves the caret nor selects.
        SetFocus(hwnd());
        return true;
    case WM_CHAR:
        if (wp >= 0x20) { // a character, not a control key such as Ctrl+V or Backspace
            DWORD start = 0, end = 0;
            SendMessageA(hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            pin::OnPinChar(m_field, start, end,
                           static_cast<std::size_t>(GetWindowTextLengthA(hwnd())));
        }
        return false;
    case WM_KEYDOWN:
        return pin::OnPinKeyDown(m_field, static_cast<unsigned>(wp), GetFocus() == hwnd(),
                                 static_cast<std::size_t>(GetWindowTextLengthA(hwnd()))) ==
               pin::KeyAction::kSwallow;
    case dialogkit::kReflectedCommand:
        if (HIWORD(wp) == EN_CHANGE)
            OnChange();
        return true;
    default:
        return false;
    }
}
