// A gate on the user-interface thread that one pass goes through at a time. Every dialog, box
// and lock wait serves messages, so a handler can be entered again while it waits; a gate turns
// that second entry away instead of letting it run inside the first.
#pragma once

class ReentryGate {
  public:
    bool open() const { return !taken_; }

    // Taken for its life when the gate was open; entered() says whether it was.
    class Pass {
      public:
        explicit Pass(ReentryGate& gate) : gate_(gate), entered_(!gate.taken_) {
            gate_.taken_ = true;
        }
        ~Pass() {
            if (entered_)
                gate_.taken_ = false;
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        bool entered() const { return entered_; }

      private:
        ReentryGate& gate_;
        bool entered_;
    };

  private:
    bool taken_ = false;
};
