// The masked PIN field driven as its edit control drives it (tool/pin/pin_edit.cpp): key downs,
// edits with their caret, the control's own answer to each action, reads and wipes. A model of
// the bytes behind the masks says what the field must hold and hand out.
// Input: operations, one byte each (low three bits) followed by their operands.
#include "fuzz_input.h"
#include "pin/pin_field.h"

#include <cstring>
#include <string>

namespace {

using pin::FieldAction;
using pin::KeyAction;
using pin::kMask;
using pin::kPinBufferBytes;

constexpr std::size_t kVisible = kPinBufferBytes - 1; // what GetWindowTextA leaves in 33 bytes

char* VisibleArea() {
    // Text is placed flush with the end, so a read past the visible length hits the red zone.
    static char* const area = new char[kVisible];
    return area;
}

struct Harness {
    pin::PinField field;
    std::string text; // the control's whole text, which may be longer than what is read of it
    std::size_t caret = 0;
    std::string typed; // the model: the bytes the masks stand for
    bool spaceOnEmpty = false;

    std::size_t VisibleLength() const { return text.size() < kVisible ? text.size() : kVisible; }
    const char* Visible() const {
        const std::size_t length = VisibleLength();
        char* visible = VisibleArea() + kVisible - length;
        std::memcpy(visible, text.data(), length);
        return visible;
    }
    bool ShowsMasks(std::size_t count) const {
        return VisibleLength() >= count && text.compare(0, count, std::string(count, kMask)) == 0;
    }

    void CheckField() const {
        FUZZ_CHECK(field.m_nMasked <= kVisible);
        FUZZ_CHECK(field.m_nMasked == typed.size());
        FUZZ_CHECK(std::memcmp(field.m_szTyped, typed.data(), typed.size()) == 0);
        // Bytes no longer shown are forgotten, not just cut off by a terminator.
        for (std::size_t i = typed.size(); i < kPinBufferBytes; ++i)
            FUZZ_CHECK(field.m_szTyped[i] == '\0');
        FUZZ_CHECK(field.m_bReplacing == 0);
    }

    // What the field must make of the visible text and caret, applied to the model.
    FieldAction Expect() {
        const std::size_t length = VisibleLength();
        const bool spaceKey = spaceOnEmpty;
        spaceOnEmpty = false;
        const bool atEnd = caret == length;
        FieldAction action = FieldAction::kEmpty;
        if (length == 0 || (text == " " && !spaceKey && typed.empty())) {
            action = FieldAction::kNothing;
            typed.clear();
        } else if (atEnd && length == typed.size() + 1 && ShowsMasks(typed.size())) {
            action = FieldAction::kMaskLast;
            typed += text[length - 1];
        } else if (atEnd && length + 1 == typed.size() && ShowsMasks(length)) {
            action = FieldAction::kNothing;
            typed.pop_back();
        } else {
            typed.clear();
        }
        return action;
    }

    // EN_CHANGE, and what PinEdit::OnChange then does to the control.
    void Changed() {
        const FieldAction expected = Expect();
        const FieldAction action = pin::OnPinChanged(field, Visible(), VisibleLength(), caret);
        FUZZ_CHECK(action == expected);
        if (action == FieldAction::kMaskLast) {
            const std::size_t length = VisibleLength();
            text[length - 1] = kMask;
            caret = length;
            FUZZ_CHECK(pin::OnPinChanged(field, Visible(), VisibleLength(), caret) ==
                       FieldAction::kNothing);
            field.m_bReplacing = 0;
        } else if (action == FieldAction::kEmpty) {
            text.clear();
            caret = 0;
            FUZZ_CHECK(pin::OnPinChanged(field, VisibleArea() + kVisible, 0, 0) ==
                       FieldAction::kNothing);
        }
        CheckField();
    }

    KeyAction KeyDown(unsigned virtualKey, bool focus) {
        const bool arrow = virtualKey >= 0x25 && virtualKey <= 0x28;
        if (virtualKey == 0x20 && text.empty())
            spaceOnEmpty = true;
        const KeyAction action = pin::OnPinKeyDown(field, virtualKey, focus, text.size());
        FUZZ_CHECK(action == (arrow && focus ? KeyAction::kSwallow : KeyAction::kPass));
        return action;
    }

    void Edit(std::size_t from, std::size_t to, const std::string& with) {
        text.replace(from, to - from, with);
        caret = from + with.size();
        Changed();
    }

    void Read() {
        char* dst = new char[kPinBufferBytes];
        std::memset(dst, 0x5A, kPinBufferBytes);
        const int n = pin::ReadPin(field, Visible(), VisibleLength(), dst);
        const std::string expected =
            ShowsMasks(typed.size()) && VisibleLength() == typed.size() ? typed : std::string();
        FUZZ_CHECK(n >= 0 && static_cast<std::size_t>(n) == expected.size());
        FUZZ_CHECK(std::memcmp(dst, expected.data(), expected.size()) == 0);
        FUZZ_CHECK(dst[n] == '\0');
        // Nothing of the PIN beyond its length and terminator is handed out.
        for (std::size_t i = static_cast<std::size_t>(n) + 1; i < kPinBufferBytes; ++i)
            FUZZ_CHECK(dst[i] == 0x5A);
        delete[] dst;
        CheckField();
    }
};

// No character of an edit control's text is a zero byte.
char Character(std::uint8_t b) {
    return b == 0 ? kMask : static_cast<char>(b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    Harness h;
    while (in.Left() > 0) {
        switch (in.Byte() & 7) {
        case 0: { // a key that types nothing
            const std::uint8_t key = in.Byte();
            h.KeyDown(key, (in.Byte() & 1) == 0);
            break;
        }
        case 1: { // a character typed at the caret
            const char c = Character(in.Byte());
            if (h.KeyDown(c == ' ' ? 0x20 : 0x41, true) == KeyAction::kPass)
                h.Edit(h.caret, h.caret, std::string(1, c));
            break;
        }
        case 2: // Backspace
            h.KeyDown(0x08, true);
            if (h.caret > 0)
                h.Edit(h.caret - 1, h.caret, std::string());
            break;
        case 3: // Home or End
            h.caret = in.Byte() & 1 ? h.text.size() : 0;
            h.KeyDown(h.caret == 0 ? 0x24 : 0x23, true);
            break;
        case 4: { // a selection replaced by a paste (or deleted)
            const std::size_t from = in.Byte() % (h.text.size() + 1);
            const std::size_t to = from + in.Byte() % (h.text.size() - from + 1);
            std::string with = in.Bytes(in.Byte() % 40);
            for (char& c : with)
                c = Character(static_cast<std::uint8_t>(c));
            if (from != to || !with.empty())
                h.Edit(from, to, with);
            break;
        }
        case 5:
        case 6:
            h.Read();
            break;
        case 7: // the dialog ends
            pin::WipePinField(h.field);
            h.typed.clear();
            h.CheckField();
            break;
        }
    }
    h.Read();
    return 0;
}
