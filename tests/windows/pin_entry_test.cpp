// The masked PIN field on the real edit control: the input method is off while the field is
// bound, and given back when the field lets go.
#include "pin/pin_edit.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <imm.h>

namespace {

const int kFieldId = 1000;

bool HasInputContext(HWND window) {
    HIMC context = ImmGetContext(window);
    if (context)
        ImmReleaseContext(window, context);
    return context != nullptr;
}

} // namespace

TEST(PinEntry, TheInputMethodIsOffWhileAFieldIsBoundAndBackAfterwards) {
    HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND edit =
        CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent,
                      reinterpret_cast<HMENU>(kFieldId), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(HasInputContext(edit)) << "the system gives every edit control an input context";
    {
        PinEdit field;
        ASSERT_TRUE(field.SubclassDlgItem(kFieldId, parent));
        EXPECT_FALSE(HasInputContext(edit)) << "an input method could see the PIN";
    }
    EXPECT_TRUE(HasInputContext(edit)) << "the control's own context is given back";
    DestroyWindow(parent);
}
