#pragma once

#include <memory>
#include <vector>

#include "ui/control.h"

namespace yomite::ui {

// A button whose face is filled with its back colour, caption centred.
class CommandButton : public Control {
 public:
  CommandButton(Window& window, std::string name, int index = -1)
      : Control(window, std::move(name), ControlKind::kCommandButton), index_(index) {}
  // The element's index in its control array, or -1.
  int Index() const { return index_; }

 private:
  friend class ButtonArray;
  int index_;
};

// A control array of buttons: elements share one click handler that is
// told the element's index.
class ButtonArray {
 public:
  ButtonArray(Window& window, std::string name);

  // The element with this index; run-time error 340 when it does not exist.
  CommandButton& operator()(int index);
  bool Exists(int index) const;
  // Creates a new element as a copy of element 0, hidden, with its own
  // index; run-time error 360 when it already exists.
  CommandButton& Load(int index);

  std::function<void(int index)> on_click;

 private:
  void Wire(CommandButton& button);
  Window& window_;
  std::string name_;
  std::vector<std::unique_ptr<CommandButton>> elements_;
};

}  // namespace yomite::ui
