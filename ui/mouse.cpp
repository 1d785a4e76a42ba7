#include "ui/mouse.h"

namespace yomite::ui {

void MouseRouter::Press(Control* target, int button, bool double_click) {
  if (window_.Ended()) return;
  pressed_ = nullptr;
  if (!target || !target->CanReceiveMouse()) return;
  pressed_ = target;
  pressed_button_ = button;
  pressed_as_double_ = double_click && button == kLeftButton && target->RaisesDoubleClick();
  if (pressed_as_double_) {
    if (target->on_double_click) target->on_double_click();
  } else if (target->on_mouse_down) {
    target->on_mouse_down(button);
  }
}

void MouseRouter::Release(Control* target, int button) {
  if (window_.Ended()) return;
  // The control that took the press keeps the mouse until the release.
  Control* pressed = pressed_;
  bool as_double = pressed_as_double_;
  bool same_button = pressed_button_ == button;
  pressed_ = nullptr;
  Control* receiver = pressed ? pressed : target;
  if (!receiver || !receiver->CanReceiveMouse()) return;
  if (receiver->on_mouse_up) receiver->on_mouse_up(button);
  if (window_.Ended()) return;
  bool clicks = pressed && pressed == target && same_button && !as_double &&
                (button == kLeftButton || button == kRightButton);
  if (clicks && receiver->CanReceiveMouse() && receiver->on_click) receiver->on_click();
}

void MouseRouter::Click(Control* target, int button) {
  Press(target, button);
  Release(target, button);
}

void MouseRouter::DoubleClick(Control* target) {
  Click(target, kLeftButton);
  Press(target, kLeftButton, /*double_click=*/true);
  Release(target, kLeftButton);
}

}  // namespace yomite::ui
