// The PIN policy and the masked field's rules, natively.
#include "pin/pin_field.h"
#include "pin/pin_policy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace pin;

namespace {

int Check(const std::string& oldPin, const std::string& newPin, const std::string& confirm) {
    return CheckNewPin(oldPin.c_str(), static_cast<int>(oldPin.size()), newPin.c_str(),
                       static_cast<int>(newPin.size()), confirm.c_str(),
                       static_cast<int>(confirm.size()));
}

} // namespace

TEST(PinPolicy, RulesApplyInTheirOrder) {
    struct Case {
        const char* oldPin;
        std::string newPin, confirm;
        int expected;
    } cases[] = {
        {"", "135790", "135790", kPinEmpty}, // empty original, good new PIN
        {"111111", "", "", kPinEmpty},
        {"111111", "135790", "", kPinEmpty},
        {"111111", "12345", "12346", kPinMismatch},   // equality before length
        {"111111", "ABCDEF", "abcdef", kPinMismatch}, // case counts
        {"111111", "12345", "12345", kPinBadLength},
        {"111111", "123456789", "123456789", kPinBadLength},
        {"111111", "123456", "123456", kPinUnsafe},   // rising digits
        {"111111", "123457", "123457", kPinAccepted}, // the last one breaks the run
        {"111111", "654321", "654321", kPinUnsafe},
        {"111111", "999999", "999999", kPinUnsafe},
        {"111111", "abcdef", "abcdef", kPinUnsafe},
        {"111111", "abcdeg", "abcdeg", kPinAccepted},
        {"111111", "FEDCBA", "FEDCBA", kPinUnsafe},
        {"111111", "7890123", "7890123", kPinAccepted}, // 9 to 0 is no step
        {"135790", "135790", "135790", kPinAccepted},   // same as the original: allowed
        {"111111", "\x7C\x7D\x7E\x7F\x80\x81", "\x7C\x7D\x7E\x7F\x80\x81", kPinUnsafe},
        {"111111", "\xFC\xFD\xFE\xFF\x01\x02", "\xFC\xFD\xFE\xFF\x01\x02", kPinAccepted}, // wraps
        {"111111", "\x04\x03\x02\x01\xFF\xFE", "\x04\x03\x02\x01\xFF\xFE", kPinAccepted},
        {"111111", "1357902", "1357902", kPinAccepted},
        {"111111", "13579024", "13579024", kPinAccepted},
        {" ", "135790", "135790", kPinAccepted}, // a lone typed space is a PIN
    };
    for (const Case& c : cases)
        EXPECT_EQ(Check(c.oldPin, c.newPin, c.confirm), c.expected)
            << "new " << c.newPin << ", confirmation " << c.confirm;
    EXPECT_EQ(RefusalStyle(kPinEmpty), 0u);
    EXPECT_EQ(RefusalStyle(kPinMismatch), 0u);
    EXPECT_EQ(RefusalStyle(kPinBadLength), 0x30u);
    EXPECT_EQ(RefusalStyle(kPinUnsafe), 0x30u);
}

namespace {

// An edit control as far as the field's rules see it: its text and caret.
struct FakeField {
    PinField state;
    std::string text;
    std::size_t caret = 0;
    bool wholeSelected = false;

    void Changed() {
        const FieldAction action = OnPinChanged(state, text.c_str(), text.size(), caret);
        if (action == FieldAction::kMaskLast) {
            text.back() = kMask;
            caret = text.size();
            OnPinChanged(state, text.c_str(), text.size(), caret); // the replacement's notice
        } else if (action == FieldAction::kEmpty) {
            text.clear();
            caret = 0;
            OnPinChanged(state, "", 0, 0);
        }
    }
    void Type(const std::string& keys) {
        for (char key : keys) {
            const unsigned virtualKey = key == ' ' ? 0x20 : 0x41;
            if (OnPinKeyDown(state, virtualKey, true, text.size()) == KeyAction::kSwallow)
                continue;
            if (wholeSelected) {
                OnPinChar(state, 0, text.size(), text.size());
                text.assign(1, key);
                caret = 1;
                wholeSelected = false;
            } else {
                OnPinChar(state, caret, caret, text.size());
                text.insert(caret, 1, key);
                ++caret;
            }
            Changed();
        }
    }
    // What Tab into the field does: the whole text selected.
    void SelectAll() { wholeSelected = !text.empty(); }
    void Backspace() {
        if (caret == 0)
            return;
        text.erase(--caret, 1);
        Changed();
    }
    void Paste(const std::string& clip) {
        text.insert(caret, clip);
        caret += clip.size();
        Changed();
    }
    std::string Read() {
        char dst[kPinBufferBytes];
        std::memset(dst, 0x5A, sizeof dst);
        const int n = ReadPin(state, text.c_str(), text.size(), dst);
        EXPECT_EQ(dst[n], '\0');
        return std::string(dst, static_cast<std::size_t>(n));
    }
};

} // namespace

TEST(PinField, TypingAtTheEndIsMaskedAndReadBackExactly) {
    FakeField f;
    f.Type("a1*b2c");
    EXPECT_EQ(f.text, "******");
    EXPECT_EQ(f.Read(), "a1*b2c"); // a typed "*" is a character like any other
    f.Backspace();
    EXPECT_EQ(f.Read(), "a1*b2");
    f.Backspace();
    f.Backspace();
    f.Type("x");
    EXPECT_EQ(f.text, "****");
    EXPECT_EQ(f.Read(), "a1*x");
}

TEST(PinField, SpacesFirstTypedArePinsPastedOnesAreEmpty) {
    FakeField typed;
    typed.Type(" 12");
    EXPECT_EQ(typed.text, "***");
    EXPECT_EQ(typed.Read(), " 12");
    FakeField lone;
    lone.Type(" ");
    EXPECT_EQ(lone.Read(), " ");
    FakeField pasted;
    pasted.Paste(" ");
    EXPECT_EQ(pasted.text, " ");
    EXPECT_EQ(pasted.Read(), "");
    FakeField empty;
    EXPECT_EQ(empty.Read(), "");
}

TEST(PinField, ChangesThatCannotBeRecordedExactlyEmptyTheField) {
    FakeField paste;
    paste.Paste("123456");
    EXPECT_EQ(paste.text, "") << "a paste would stay in clear";
    EXPECT_EQ(paste.Read(), "");

    FakeField used; // bytes of an earlier showing never come back
    used.Type("987654");
    used.Paste("12");
    EXPECT_EQ(used.text, "");
    EXPECT_EQ(used.Read(), "");
    used.Type("5");
    EXPECT_EQ(used.Read(), "5");

    FakeField home;
    home.Type("1234");
    home.caret = 0; // Home
    home.Type("9");
    EXPECT_EQ(home.text, "");
    EXPECT_EQ(home.Read(), "");

    FakeField overSelection;
    overSelection.Type("1234");
    overSelection.text = "*9"; // "**" selected and typed over
    overSelection.caret = 2;
    overSelection.Changed();
    EXPECT_EQ(overSelection.text, "");

    FakeField backspaceInside;
    backspaceInside.Type("1234");
    backspaceInside.caret = 2;
    backspaceInside.Backspace();
    EXPECT_EQ(backspaceInside.Read(), "");
}

TEST(PinField, TypingOverTheWholeFieldStartsThePinAnewWithThatCharacter) {
    FakeField f;
    f.Type("246813");
    f.SelectAll(); // Tab into the filled field
    f.Type("135790");
    EXPECT_EQ(f.text, "******");
    EXPECT_EQ(f.Read(), "135790") << "no keystroke lost";

    FakeField space; // a space is a character like any other here
    space.Type("12");
    space.SelectAll();
    space.Type(" 9");
    EXPECT_EQ(space.Read(), " 9");

    FakeField pasted; // a paste over the whole field still empties it
    pasted.Type("1234");
    pasted.SelectAll();
    pasted.text = "7";
    pasted.caret = 1;
    pasted.Changed();
    EXPECT_EQ(pasted.text, "");
    EXPECT_EQ(pasted.Read(), "");
}

TEST(PinField, ArrowsAreSwallowedOnlyWithTheFocusAndWipingForgets) {
    PinField field;
    for (unsigned key : {0x25u, 0x26u, 0x27u, 0x28u}) {
        EXPECT_EQ(OnPinKeyDown(field, key, true, 3), KeyAction::kSwallow);
        EXPECT_EQ(OnPinKeyDown(field, key, false, 3), KeyAction::kPass);
    }
    for (unsigned key : {0x24u, 0x23u, 0x2Eu, 0x08u}) // Home, End, Delete, Backspace
        EXPECT_EQ(OnPinKeyDown(field, key, true, 3), KeyAction::kPass);
    FakeField f;
    f.Type("246813");
    WipePinField(f.state);
    EXPECT_EQ(std::string(f.state.m_szTyped, sizeof f.state.m_szTyped),
              std::string(kPinBufferBytes, '\0'));
    EXPECT_EQ(f.Read(), "") << "six masks with nothing behind them read as empty";
}
