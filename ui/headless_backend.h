// A backend with no screen: it keeps the window model, answers message
// boxes at once, and runs the same start-up, loop, timers and error guard
// as the SDL backend (ui/dispatcher.h), with its driver as the source of
// input and time. yomite-trace, the tests, the fuzzers and the benchmarks
// play stories on it.
//
// Time is the timers' own: a timer's tick moves the clock to the end of its
// interval, so a timer enabled meanwhile starts a full interval from there.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/dispatcher.h"

namespace yomite::ui {

class HeadlessBackend : public Backend {
 public:
  struct MessageBoxShown {
    Text text;
    Text title;
  };
  // One input from the driver: a name for the observers, and what it does
  // (a click through mouse(), Tick, Resize, Close...).
  struct Event {
    std::string name;
    std::function<void()> run;
  };

  HeadlessBackend() = default;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // Attaches the window and raises its first events: load, resize and
  // activate. False when the program ended on the way (error() says
  // whether by a run-time error).
  bool Start(Window& window);
  // The start-up, then the driver's events one at a time until next gives
  // none or the program ends. Returns the exit status: 0 after a normal
  // end or when the events ran out, 1 after a run-time error.
  int Run(Window& window, const std::function<std::optional<Event>()>& next);
  // Called after the start-up (named "start") and after each event of Run.
  std::function<void(const std::string& event)> on_event_done;

  // Input, after Start. Each runs inside the guard; a close asked for while
  // it ran is handled after it, as on one thread it must be.
  void Deliver(const std::function<void()>& input);
  MouseRouter& mouse() { return dispatch_->mouse(); }
  KeyboardRouter& keyboard() { return dispatch_->keyboard(); }
  // Up to count ticks of a timer, each at the end of its interval. Stops
  // at once when the timer is (or becomes) disabled or the program ends;
  // returns the ticks delivered.
  long Tick(Timer& timer, long count = 1);
  // The window system sized the window anew.
  void Resize(int width_px, int height_px);
  // The user closed the window.
  void Close();
  // A close request that arrives while a handler runs: the handler stops at
  // its next step, then the window closes.
  void RequestClose() { close_requested_ = true; }

  bool ended() const { return ended_; }
  // The run-time error that ended the program, or null.
  const RuntimeError* error() const { return dispatch_ ? dispatch_->error() : nullptr; }
  const std::vector<MessageBoxShown>& message_boxes() const { return message_boxes_; }
  uint64_t now_ms() const { return now_ms_; }

  // Backend.
  void Invalidate() override {}
  void TimerChanged(Timer& timer) override;
  void PictureBoxChanged(PictureBox& box, PictureChange change) override;
  void MessageBox(const Text& text, const Text& title) override;
  void End() override;
  // A close asked for while a handler runs ends that handler's action at
  // its next step, as the player's does.
  bool EndRequested() override { return close_requested_; }

  // Observers for a transcript.
  std::function<void(const MessageBoxShown&)> on_message_box;
  std::function<void()> on_end;
  std::function<void(PictureBox&, PictureChange)> on_picture_box_changed;

 private:
  void Attach(Window& window);
  void HandleCloseRequest();

  std::optional<Dispatcher> dispatch_;
  uint64_t now_ms_ = 0;
  bool close_requested_ = false;
  bool ended_ = false;
  std::vector<MessageBoxShown> message_boxes_;
};

}  // namespace yomite::ui
