#include "ui/keyboard.h"

namespace yomite::ui {

void KeyboardRouter::Press(Key key, bool shift, bool repeat) {
  if (window_.Ended()) return;
  window_.ShowFocusCues();
  if (key == Key::kTab) {
    // Moving on lets go of a button held by Space without clicking it.
    held_ = nullptr;
    window_.MoveFocus(shift);
    return;
  }
  if (repeat || held_) return;
  Control* focused = window_.Focused();
  // A picture box has no click from the keyboard, as on the desktop the
  // story was written for: Space on the picture area does not open the
  // About box.
  if (!focused || focused->kind() != ControlKind::kCommandButton || !focused->CanReceiveMouse()) {
    return;
  }
  held_ = focused;
  held_key_ = key;
  window_.Invalidate();
}

void KeyboardRouter::Release(Key key) {
  if (!held_ || key != held_key_) return;
  Control* button = held_;
  held_ = nullptr;
  window_.Invalidate();
  if (window_.Ended() || window_.Focused() != button) return;
  // The same road as a click of the left button: down, up, click.
  mouse_.Click(button, kLeftButton);
}

void KeyboardRouter::LetGo() {
  if (!held_) return;
  held_ = nullptr;
  window_.Invalidate();
}

void KeyboardRouter::Type(Key key, bool shift) {
  Press(key, shift);
  Release(key);
}

const Control* KeyboardRouter::Held() const {
  return held_ && held_->CanReceiveMouse() && window_.Focused() == held_ ? held_ : nullptr;
}

}  // namespace yomite::ui
