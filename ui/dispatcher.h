// What every backend does with the story's handlers, written once: the
// window's first events in their order, the timers that are due, closing,
// and the guard around each handler. A backend owns one and feeds it the
// window system's events and the time; the SDL backend and the headless
// one differ only in where those come from and how an error is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "base/runtime_error.h"
#include "ui/keyboard.h"
#include "ui/mouse.h"
#include "ui/timer_schedule.h"
#include "ui/window.h"

namespace yomite::ui {

class Dispatcher {
 public:
  // Watches the window's timers from now_ms on.
  Dispatcher(Window& window, int min_timer_period_ms, uint64_t now_ms);
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  Window& window() { return window_; }
  MouseRouter& mouse() { return mouse_; }
  KeyboardRouter& keyboard() { return keyboard_; }
  const KeyboardRouter& keyboard() const { return keyboard_; }
  TimerSchedule& timers() { return timers_; }

  // Shows a run-time error where the user sees it; the window is ended
  // right after it returns.
  std::function<void(const RuntimeError&)> report;

  // The window's first events: load, then the backend's own step (sizing
  // and showing the window), then resize, the focus on the first control
  // that takes it, and activate. False when the
  // program ended on the way.
  bool Start(const std::function<void()>& after_load = {});
  // Runs a handler of the story. A run-time error (running out of memory
  // is error 7, any other exception error 51) is reported and ends the
  // program; false then, or when the program has ended. Nothing runs after
  // the end.
  bool Guard(const std::function<void()>& handler);
  // Runs each timer due at now_ms once, in the order the window holds them.
  void RunTimers(uint64_t now_ms);
  // One tick of a timer due at now_ms; false when it was not due (it was
  // disabled, or enabled anew), or the program ended.
  bool RunTimer(Timer& timer, uint64_t now_ms);
  // The window's size changed: it is laid out again.
  void Layout() { Guard(window_.on_resize); }
  // Closing the window ends the program, whatever the unload handler does.
  void Close();

  bool failed() const { return error_.has_value(); }
  const RuntimeError* error() const { return error_ ? &*error_ : nullptr; }

 private:
  void Fail(const RuntimeError& error);

  Window& window_;
  MouseRouter mouse_;
  KeyboardRouter keyboard_;
  TimerSchedule timers_;
  std::optional<RuntimeError> error_;
};

}  // namespace yomite::ui
