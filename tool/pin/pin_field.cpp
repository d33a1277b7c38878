#include "pin_field.h"

#include <cstring>

namespace pin {
namespace {

constexpr unsigned kKeySpace = 0x20;
constexpr unsigned kKeyLeft = 0x25, kKeyDown = 0x28;

bool AllMasks(const char* visible, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (visible[i] != kMask)
            return false;
    return true;
}

} // namespace

void WipeBytes(void* bytes, std::size_t count) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(bytes);
    while (count--)
        *p++ = 0;
}

void WipePinField(PinField& field) {
    WipeBytes(field.m_szTyped, sizeof field.m_szTyped);
    field.m_nMasked = 0;
}

KeyAction OnPinKeyDown(PinField& field, unsigned virtualKey, bool fieldHasFocus,
                       std::size_t visibleLength) {
    field.m_bOverWhole = 0; // only the character of this very key may set it
    if (virtualKey >= kKeyLeft && virtualKey <= kKeyDown && fieldHasFocus)
        return KeyAction::kSwallow;
    if (virtualKey == kKeySpace && visibleLength == 0)
        field.m_bSpaceOnEmpty = 1;
    return KeyAction::kPass;
}

void OnPinChar(PinField& field, std::size_t selStart, std::size_t selEnd,
               std::size_t visibleLength) {
    field.m_bOverWhole = visibleLength > 0 && selStart == 0 && selEnd == visibleLength ? 1 : 0;
}

FieldAction OnPinChanged(PinField& field, const char* visible, std::size_t length,
                         std::size_t caret) {
    if (field.m_bReplacing) {
        field.m_bReplacing = 0;
        return FieldAction::kNothing;
    }
    const int spaceKey = field.m_bSpaceOnEmpty;
    field.m_bSpaceOnEmpty = 0;
    const int overWhole = field.m_bOverWhole;
    field.m_bOverWhole = 0;
    if (overWhole && length == 1 && caret == 1 && visible[0] != kMask) {
        // The whole field typed over: a PIN begun anew with this character, not a change to
        // refuse (that would drop the character, and the PIN used would not be the one typed).
        WipePinField(field);
        field.m_szTyped[0] = visible[0];
        field.m_nMasked = 1;
        field.m_bReplacing = 1;
        return FieldAction::kMaskLast;
    }
    if (length == 0) {
        WipePinField(field);
        return FieldAction::kNothing;
    }
    // A lone space that was not typed as the first key (a paste) stands for an empty field.
    if (length == 1 && visible[0] == ' ' && !spaceKey && field.m_nMasked == 0) {
        WipePinField(field);
        return FieldAction::kNothing;
    }
    const std::size_t before = field.m_nMasked;
    const bool atEnd = caret == length;
    if (atEnd && length == before + 1 && length < kPinBufferBytes && AllMasks(visible, before)) {
        // One character typed at the end: record it, then show "*" in its place.
        field.m_szTyped[before] = visible[before];
        field.m_szTyped[length] = '\0';
        field.m_nMasked = length;
        field.m_bReplacing = 1;
        return FieldAction::kMaskLast;
    }
    if (atEnd && length + 1 == before && AllMasks(visible, length)) {
        // Backspace at the end.
        WipeBytes(field.m_szTyped + length, kPinBufferBytes - length);
        field.m_nMasked = length;
        return FieldAction::kNothing;
    }
    WipePinField(field);
    return FieldAction::kEmpty;
}

int ReadPin(PinField& field, const char* visible, std::size_t length, char* dst) {
    std::size_t n = length;
    if (n == 1 && visible[0] == ' ')
        n = 0; // a lone space left unmasked: nothing was typed
    // Only bytes recorded as typed are handed out; a field whose text disagrees with what was
    // recorded reads as empty rather than as bytes nobody typed.
    if (n != field.m_nMasked || n >= kPinBufferBytes || !AllMasks(visible, n))
        n = 0;
    std::memcpy(dst, field.m_szTyped, n);
    dst[n] = '\0';
    return static_cast<int>(n);
}

} // namespace pin
