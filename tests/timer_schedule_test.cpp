#include "ui/timer_schedule.h"

#include <gtest/gtest.h>

#include "ui/headless_backend.h"
#include "ui/window.h"

namespace yomite::ui {
namespace {

class TimerScheduleTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  Window window{backend, 800, 600};
  Timer text{window, "TimLbl", 100, /*enabled=*/false};
  Timer music{window, "BgmTim", 1, /*enabled=*/true};
  TimerSchedule schedule{16};

  void Enable(Timer& t, bool on, uint64_t now) {
    t.SetEnabled(on);
    schedule.Changed(t, now);
  }
};

TEST_F(TimerScheduleTest, EnabledTimersAreDueOnePeriodAfterTheyStart) {
  schedule.Add(text, 1000);
  schedule.Add(music, 1000);
  // The 1 ms timer ticks at the shortest period; the disabled one not at all.
  EXPECT_EQ(schedule.PeriodMs(music), 16);
  EXPECT_EQ(schedule.PeriodMs(text), 100);
  EXPECT_EQ(schedule.NextDeadline(), 1016u);
  EXPECT_TRUE(schedule.Due(1015).empty());
  EXPECT_EQ(schedule.Due(1016), std::vector<Timer*>{&music});
  EXPECT_TRUE(schedule.Due(5000) == std::vector<Timer*>{&music});
}

TEST_F(TimerScheduleTest, EnablingStartsAFullIntervalFromThatMoment) {
  schedule.Add(text, 0);
  Enable(text, true, 0);
  ASSERT_TRUE(schedule.Claim(text, 100));
  EXPECT_EQ(schedule.NextDeadline().value_or(0), 200u);
  Enable(text, false, 150);
  // Re-enabled at 170: not due at its old phase (200) but at 270.
  Enable(text, true, 170);
  EXPECT_FALSE(schedule.Claim(text, 200));
  EXPECT_FALSE(schedule.Claim(text, 269));
  EXPECT_TRUE(schedule.Claim(text, 270));
}

TEST_F(TimerScheduleTest, ADisabledTimerIsNeverDue) {
  schedule.Add(text, 0);
  EXPECT_TRUE(schedule.Due(10000).empty());
  EXPECT_FALSE(schedule.Claim(text, 10000));
  EXPECT_FALSE(schedule.NextDeadline().has_value());
}

TEST_F(TimerScheduleTest, OnTimeTicksKeepTheirPhaseAndLateOnesAreNotQueued) {
  schedule.Add(text, 0);
  Enable(text, true, 0);
  // A tick handled 5 ms late keeps the 100 ms grid.
  ASSERT_TRUE(schedule.Claim(text, 105));
  EXPECT_FALSE(schedule.Claim(text, 199));
  ASSERT_TRUE(schedule.Claim(text, 200));
  // After a stall of a second, one tick, then a full period from now:
  // the nine missed ticks do not follow in a burst.
  ASSERT_TRUE(schedule.Claim(text, 1250));
  EXPECT_FALSE(schedule.Claim(text, 1250));
  EXPECT_FALSE(schedule.Claim(text, 1349));
  EXPECT_TRUE(schedule.Claim(text, 1350));
}

TEST_F(TimerScheduleTest, ATimerDisabledByAnEarlierHandlerInThePassIsNotClaimed) {
  schedule.Add(text, 0);
  schedule.Add(music, 0);
  Enable(text, true, 0);
  std::vector<Timer*> due = schedule.Due(100);
  ASSERT_EQ(due.size(), 2u);
  ASSERT_TRUE(schedule.Claim(*due[0], 100));
  Enable(text, false, 100);  // what the first handler did
  EXPECT_FALSE(schedule.Claim(text, 100));
}

TEST_F(TimerScheduleTest, PostponingMovesEveryDeadline) {
  schedule.Add(text, 0);
  schedule.Add(music, 0);
  Enable(text, true, 0);
  schedule.Postpone(500);
  EXPECT_FALSE(schedule.Claim(text, 599));
  EXPECT_TRUE(schedule.Claim(text, 600));
  EXPECT_EQ(schedule.NextDeadline().value_or(0), 516u);  // music: 16 + 500
}

}  // namespace
}  // namespace yomite::ui
