// When each timer of the window ticks next. The event loop sleeps until the
// earliest deadline, so a waiting program costs nothing but its timers.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/timer.h"

namespace yomite::ui {

// Timers asking for less tick at this period. The music timer asks for
// 1 ms; at 20 ms it sees the end of the piece within one of the audio
// device's 23 ms blocks, so the restart follows in the next block, and the
// program wakes 50 times a second instead of a thousand.
inline constexpr int kMinTimerPeriodMs = 20;

class TimerSchedule {
 public:
  // Intervals shorter than min_period_ms tick at that period instead: a
  // 1 ms poll would keep a core busy for no visible gain.
  explicit TimerSchedule(int min_period_ms) : min_period_ms_(min_period_ms) {}

  // Starts watching a timer; an enabled one is due one period from now.
  void Add(Timer& timer, uint64_t now_ms);
  // The timer was enabled or disabled: enabling starts a full period.
  void Changed(Timer& timer, uint64_t now_ms);

  // When an enabled timer ticks next; nothing for a disabled one.
  std::optional<uint64_t> Deadline(const Timer& timer) const;
  // The earliest deadline of an enabled timer, if any.
  std::optional<uint64_t> NextDeadline() const;
  // The timers due at now_ms, in the order they were added.
  std::vector<Timer*> Due(uint64_t now_ms) const;
  // Claims one tick of a due timer and sets its next deadline; false when
  // the timer is no longer due (it was disabled, or re-enabled meanwhile).
  // Overdue ticks are dropped, not queued: a late timer ticks once and its
  // next tick comes one period later.
  bool Claim(Timer& timer, uint64_t now_ms);
  // Moves every deadline later, for time during which no timer may tick.
  void Postpone(uint64_t ms);

  int PeriodMs(const Timer& timer) const;

 private:
  struct Entry {
    Timer* timer;
    bool armed;
    uint64_t deadline;
  };
  Entry* Find(const Timer& timer);
  const Entry* Find(const Timer& timer) const;

  int min_period_ms_;
  std::vector<Entry> entries_;
};

}  // namespace yomite::ui
