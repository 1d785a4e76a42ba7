// Turns presses and releases into the mouse events of the controls:
// down on press, up on release, then a click when both were made with the
// left or right button over the same control. The second press of a left
// double click on a label or picture box is a double-click event instead.
#pragma once

#include "ui/window.h"

namespace yomite::ui {

inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

class MouseRouter {
 public:
  explicit MouseRouter(Window& window) : window_(window) {}

  // target is the control under the pointer (or null); it receives the
  // event only when it is visible and enabled.
  void Press(Control* target, int button, bool double_click = false);
  void Release(Control* target, int button);

  // A whole click: press, release and click.
  void Click(Control* target, int button);
  // A left double click: the first click, then the second press and release.
  void DoubleClick(Control* target);

 private:
  Window& window_;
  Control* pressed_ = nullptr;
  int pressed_button_ = 0;
  bool pressed_as_double_ = false;
};

}  // namespace yomite::ui
