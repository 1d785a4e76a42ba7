// The keys the window system itself gives a window's controls: Tab and
// Shift+Tab move the keyboard focus along the tab order, and Space or Enter
// press the focused command button as the left mouse button would (down
// shows it pressed, the release clicks it). The story handles no key of its
// own: every other key does nothing.
#pragma once

#include "ui/mouse.h"
#include "ui/window.h"

namespace yomite::ui {

enum class Key { kTab, kSpace, kReturn };

class KeyboardRouter {
 public:
  KeyboardRouter(Window& window, MouseRouter& mouse) : window_(window), mouse_(mouse) {}

  // A key went down; repeat when it is held and the system repeats it.
  // shift matters for Tab only.
  void Press(Key key, bool shift = false, bool repeat = false);
  // A key came up: Space or Enter clicks the button it pressed, when that
  // button still has the focus and takes the mouse.
  void Release(Key key);
  // A whole press: down, then up.
  void Type(Key key, bool shift = false);

  // The window lost the keyboard while a key was held: its release will
  // not come, so the button is let go without a click.
  void LetGo();

  // The button Space or Enter holds pressed, or null.
  const Control* Held() const;

 private:
  Window& window_;
  MouseRouter& mouse_;
  Control* held_ = nullptr;
  Key held_key_ = Key::kSpace;
};

}  // namespace yomite::ui
