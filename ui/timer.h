#pragma once

#include "ui/control.h"

namespace yomite::ui {

// A timer ticks on the user-interface thread once per interval while it is
// enabled; enabling a disabled timer starts a new full interval.
class Timer : public Control {
 public:
  Timer(Window& window, std::string name, int interval_ms, bool enabled);

  int Interval() const { return interval_ms_; }
  void SetEnabled(bool enabled) override;
  // Called by the backend when an interval has passed.
  void Tick();

  std::function<void()> on_tick;

 private:
  int interval_ms_;
};

}  // namespace yomite::ui
