// What a masked PIN field knows: the bytes typed into it, position for position with the "*"
// that stand for them. Platform-free: fed with the field's visible text, its caret and its
// keys, it says what the field must do; the Win32 side only reads and writes the edit control.
#pragma once

#include <cstddef>

namespace pin {

constexpr std::size_t kPinBufferBytes = 33; // at most 32 bytes and the terminator
constexpr char kMask = '*';

struct PinField {
    int m_bReplacing = 0;    // our own "*" replacement is under way; skip its notice
    int m_bSpaceOnEmpty = 0; // the space key went down in an empty field
    int m_bOverWhole = 0;    // a character was typed over the whole field, selected
    char m_szTyped[kPinBufferBytes] = {};
    std::size_t m_nMasked = 0; // how many "*" the field shows, each for one typed byte
};

enum class FieldAction {
    kNothing,  // leave the field as it is
    kMaskLast, // replace its last character by "*" (and skip the notice that causes)
    kEmpty,    // empty the field: a change that cannot be recorded exactly is refused
};

enum class KeyAction { kPass, kSwallow };

// Key down: the arrow keys do nothing while the field has the focus; a space in an empty field
// is remembered, since the field then shows a lone space, which otherwise means "empty".
KeyAction OnPinKeyDown(PinField& field, unsigned virtualKey, bool fieldHasFocus,
                       std::size_t visibleLength);

// A character key (not a control character: no paste, no Backspace) reaches the field, whose
// selection runs from selStart to selEnd of its visibleLength characters. Typed over the whole
// field, as after Tab selected it, the character starts the PIN anew.
void OnPinChar(PinField& field, std::size_t selStart, std::size_t selEnd,
               std::size_t visibleLength);

// The field's text changed to visible[0..length) with the caret at caret. Only one character
// typed at the end, Backspace at the end, and one character typed over the whole field are
// recorded; a paste, part of the field typed over or a character typed elsewhere would leave
// characters in clear or record bytes nobody typed, so such a change empties the field and
// forgets what was typed.
FieldAction OnPinChanged(PinField& field, const char* visible, std::size_t length,
                         std::size_t caret);

// The PIN behind the visible text: its length, with that many bytes and a terminator in dst
// (kPinBufferBytes long). A field showing a lone space that was not typed as a space is empty.
int ReadPin(PinField& field, const char* visible, std::size_t length, char* dst);

// Forgets every typed byte, with a wipe the compiler cannot leave out.
void WipePinField(PinField& field);
void WipeBytes(void* bytes, std::size_t count);

} // namespace pin
