// The masked PIN field: the user sees one "*" per typed character, the typed bytes stay in
// the field's own buffer, and ReadPin is the only way to get them.
#pragma once

#include "dialogkit/subclassed_window.h"
#include "pin_field.h"

class PinEdit : public dialogkit::SubclassedWindow {
  public:
    ~PinEdit() override {
        Unsubclass();
        Wipe();
    }

    // The PIN's length in len, its bytes and a terminator in dst (33 bytes at least).
    void ReadPin(char* dst, int& len);
    // Forgets what was typed; a dialog does this when it ends.
    void Wipe() { pin::WipePinField(m_field); }

  protected:
    // The input method is off while the field is bound: its composition window would show
    // what is typed in clear, and hand it to the input method.
    void OnBound() override;
    void OnUnbinding() override;
    bool WindowProc(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;

  private:
    void OnChange();
    // The visible text, at most 32 characters; its length.
    std::size_t VisibleText(char (&text)[pin::kPinBufferBytes]);

    pin::PinField m_field;           // m_bReplacing, m_bSpaceOnEmpty, m_szTyped
    HANDLE m_inputContext = nullptr; // the field's own input context, given back at the end
    bool m_inputMethodOff = false;
};
