#include "ui/timer_schedule.h"

#include <algorithm>

namespace yomite::ui {

int TimerSchedule::PeriodMs(const Timer& timer) const {
  return std::max(timer.Interval(), min_period_ms_);
}

TimerSchedule::Entry* TimerSchedule::Find(const Timer& timer) {
  for (Entry& e : entries_) {
    if (e.timer == &timer) return &e;
  }
  return nullptr;
}

const TimerSchedule::Entry* TimerSchedule::Find(const Timer& timer) const {
  for (const Entry& e : entries_) {
    if (e.timer == &timer) return &e;
  }
  return nullptr;
}

void TimerSchedule::Add(Timer& timer, uint64_t now_ms) {
  if (Find(timer)) return;
  entries_.push_back(Entry{&timer, false, 0});
  Changed(timer, now_ms);
}

void TimerSchedule::Changed(Timer& timer, uint64_t now_ms) {
  Entry* e = Find(timer);
  if (!e) return;
  bool enabled = timer.Enabled() && timer.Interval() > 0;
  if (enabled && !e->armed) e->deadline = now_ms + PeriodMs(timer);
  e->armed = enabled;
}

std::optional<uint64_t> TimerSchedule::Deadline(const Timer& timer) const {
  const Entry* e = Find(timer);
  if (!e || !e->armed) return std::nullopt;
  return e->deadline;
}

std::optional<uint64_t> TimerSchedule::NextDeadline() const {
  std::optional<uint64_t> next;
  for (const Entry& e : entries_) {
    if (e.armed && (!next || e.deadline < *next)) next = e.deadline;
  }
  return next;
}

std::vector<Timer*> TimerSchedule::Due(uint64_t now_ms) const {
  std::vector<Timer*> due;
  for (const Entry& e : entries_) {
    if (e.armed && e.deadline <= now_ms) due.push_back(e.timer);
  }
  return due;
}

bool TimerSchedule::Claim(Timer& timer, uint64_t now_ms) {
  Entry* e = Find(timer);
  if (!e || !e->armed || e->deadline > now_ms) return false;
  uint64_t period = PeriodMs(timer);
  // Keep the phase while on time; after a stall start afresh from now.
  e->deadline += period;
  if (e->deadline <= now_ms) e->deadline = now_ms + period;
  return true;
}

void TimerSchedule::Postpone(uint64_t ms) {
  for (Entry& e : entries_) e.deadline += ms;
}

}  // namespace yomite::ui
