#include "ui/headless_backend.h"

#include <algorithm>

#include "ui/timer.h"

namespace yomite::ui {

void HeadlessBackend::Attach(Window& window) {
  if (dispatch_ && &dispatch_->window() == &window) return;
  dispatch_.emplace(window, kMinTimerPeriodMs, now_ms_);
}

bool HeadlessBackend::Start(Window& window) {
  Attach(window);
  return dispatch_->Start();
}

int HeadlessBackend::Run(Window& window, const std::function<std::optional<Event>()>& next) {
  Start(window);
  if (on_event_done) on_event_done("start");
  while (!window.Ended()) {
    std::optional<Event> event = next();
    if (!event) break;
    Deliver(event->run);
    if (on_event_done) on_event_done(event->name);
  }
  return error() ? 1 : 0;
}

void HeadlessBackend::Deliver(const std::function<void()>& input) {
  dispatch_->Guard(input);
  HandleCloseRequest();
}

long HeadlessBackend::Tick(Timer& timer, long count) {
  long done = 0;
  while (done < count) {
    // A disabled timer has no next tick, however many are asked for.
    std::optional<uint64_t> due = dispatch_->timers().Deadline(timer);
    if (!due || dispatch_->window().Ended()) break;
    now_ms_ = std::max(now_ms_, *due);
    bool goes_on = dispatch_->RunTimer(timer, now_ms_);
    ++done;
    HandleCloseRequest();
    if (!goes_on) break;
  }
  return done;
}

void HeadlessBackend::Resize(int width_px, int height_px) {
  dispatch_->window().SetInnerSizePx(width_px, height_px);
  dispatch_->Layout();
  HandleCloseRequest();
}

void HeadlessBackend::Close() {
  close_requested_ = false;
  dispatch_->Close();
}

void HeadlessBackend::HandleCloseRequest() {
  if (close_requested_ && !dispatch_->window().Ended()) Close();
  close_requested_ = false;
}

void HeadlessBackend::TimerChanged(Timer& timer) {
  if (dispatch_) dispatch_->timers().Changed(timer, now_ms_);
}

void HeadlessBackend::MessageBox(const Text& text, const Text& title) {
  message_boxes_.push_back({text, title});
  if (on_message_box) on_message_box(message_boxes_.back());
}

void HeadlessBackend::End() {
  ended_ = true;
  if (on_end) on_end();
}

void HeadlessBackend::PictureBoxChanged(PictureBox& box, PictureChange change) {
  if (on_picture_box_changed) on_picture_box_changed(box, change);
}

}  // namespace yomite::ui
