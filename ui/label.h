#pragma once

#include "ui/control.h"

namespace yomite::ui {

// A label draws its caption from the top, breaking at CR LF and wrapping
// long lines; a transparent label has no background of its own.
class Label : public Control {
 public:
  Label(Window& window, std::string name, bool transparent)
      : Control(window, std::move(name), ControlKind::kLabel), transparent_(transparent) {}
  bool Transparent() const { return transparent_; }

 private:
  bool transparent_;
};

}  // namespace yomite::ui
