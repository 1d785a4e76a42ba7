#include "ui/dispatcher.h"

#include "base/action_budget.h"
#include "base/last_resort.h"
#include "ui/timer.h"

namespace yomite::ui {

Dispatcher::Dispatcher(Window& window, int min_timer_period_ms, uint64_t now_ms)
    : window_(window), mouse_(window), keyboard_(window, mouse_), timers_(min_timer_period_ms) {
  for (Control* c : window.controls()) {
    if (c->kind() == ControlKind::kTimer) timers_.Add(static_cast<Timer&>(*c), now_ms);
  }
}

bool Dispatcher::Start(const std::function<void()>& after_load) {
  if (!Guard(window_.on_load)) return false;
  if (after_load) after_load();
  // Laid out before it is first drawn, shown with the focus on its first
  // control, then activated once.
  if (!Guard(window_.on_resize)) return false;
  window_.FocusFirst();
  return Guard(window_.on_activate);
}

bool Dispatcher::Guard(const std::function<void()>& handler) {
  if (window_.Ended()) return false;
  if (!handler) return true;
  try {
    handler();
    return !window_.Ended();
  } catch (const EndingNow&) {
    // The action was left for the end the backend handles next.
  } catch (...) {
    // Whatever a handler throws, ours or a library's, ends the story as its
    // run-time error; running out of memory is error 7.
    Fail(ErrorOf(std::current_exception()));
  }
  return false;
}

void Dispatcher::Fail(const RuntimeError& error) {
  if (error_) return;
  error_ = error;
  if (report) report(error);
  window_.End();
}

void Dispatcher::RunTimers(uint64_t now_ms) {
  for (Timer* timer : timers_.Due(now_ms)) {
    if (window_.Ended()) return;
    // A handler before it may have disabled it, or enabled it anew.
    RunTimer(*timer, now_ms);
  }
}

bool Dispatcher::RunTimer(Timer& timer, uint64_t now_ms) {
  if (window_.Ended() || !timers_.Claim(timer, now_ms)) return false;
  return Guard([&timer] { timer.Tick(); });
}

void Dispatcher::Close() {
  Guard(window_.on_unload);
  if (!window_.Ended()) window_.End();
}

}  // namespace yomite::ui
