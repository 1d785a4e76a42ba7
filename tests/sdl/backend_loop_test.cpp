// The event loop: the order of the window's first events, mouse buttons
// to control events, close requests, run-time errors, and the modal box
// holding the story still.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/action_budget.h"
#include "base/runtime_error.h"
#include "tests/sdl/backend_fixture.h"
#include "ui/command_button.h"
#include "ui/label.h"
#include "ui/timer.h"

namespace yomite::ui::sdl {
namespace {

using Clock = std::chrono::steady_clock;

class LoopTest : public testing::BackendTest {
 protected:
  std::vector<std::string> log_;
};

TEST_F(LoopTest, TheFirstEventsComeInOrderAndACloseRequestUnloadsAndEnds) {
  window_->on_load = [&] { log_.push_back("load"); };
  window_->on_resize = [&] {
    log_.push_back("resize " + std::to_string(window_->InnerWidthPx()) + "x" +
                   std::to_string(window_->InnerHeightPx()));
  };
  window_->on_activate = [&] {
    log_.push_back("activate");
    PushQuit();
  };
  window_->on_unload = [&] { log_.push_back("unload"); };
  EXPECT_EQ(backend_->Run(*window_), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"load", "resize 640x480", "activate", "unload"}));
  EXPECT_TRUE(window_->Ended());
}

TEST_F(LoopTest, RestoringTheWindowLaysItOutAgain) {
  int layouts = 0;
  window_->on_resize = [&] { ++layouts; };
  window_->on_activate = [&] {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_RESTORED;
    Push(e);
    PushQuit();
  };
  EXPECT_EQ(backend_->Run(*window_), 0);
  EXPECT_EQ(layouts, 2);
}

// The music's start waits for the first page: the hook runs once, after
// the first events and the first frame, before any timer or click.
TEST_F(LoopTest, StartUpWorkLeftForLaterRunsOnceAfterTheFirstFrame) {
  Timer timer(*window_, "TimLbl", 20, true);
  timer.on_tick = [&] {
    log_.push_back("tick");
    if (std::count(log_.begin(), log_.end(), "tick") == 2) PushQuit();
  };
  window_->on_activate = [&] {
    log_.push_back("activate");
    window_->Invalidate();
  };
  backend_->on_frame_presented = [&] { log_.push_back("frame"); };
  backend_->on_first_wait = [&] { log_.push_back("first wait"); };
  EXPECT_EQ(backend_->Run(*window_), 0);
  ASSERT_GE(log_.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(log_.begin(), log_.begin() + 3),
            (std::vector<std::string>{"activate", "frame", "first wait"}));
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "first wait"), 1);
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "tick"), 2);
}

TEST_F(LoopTest, MouseButtonsBecomeTheControlsEvents) {
  Label lbl(*window_, "Lbl", true);
  testing::PlaceInPixels(lbl, 0, 240, 640, 240);
  lbl.on_mouse_down = [&](int b) { log_.push_back("down " + std::to_string(b)); };
  lbl.on_mouse_up = [&](int b) { log_.push_back("up " + std::to_string(b)); };
  lbl.on_click = [&] { log_.push_back("click"); };
  lbl.on_double_click = [&] { log_.push_back("double"); };
  window_->on_activate = [&] {
    PushButton(true, SDL_BUTTON_LEFT, 100, 300);
    PushButton(false, SDL_BUTTON_LEFT, 100, 300);
    PushButton(true, SDL_BUTTON_RIGHT, 100, 300);
    PushButton(false, SDL_BUTTON_RIGHT, 100, 300);
    PushButton(true, SDL_BUTTON_MIDDLE, 100, 300);
    PushButton(false, SDL_BUTTON_MIDDLE, 100, 300);
    // The second press of a double click, then a press outside the label.
    PushButton(true, SDL_BUTTON_LEFT, 100, 300, 2);
    PushButton(false, SDL_BUTTON_LEFT, 100, 300, 2);
    PushButton(true, SDL_BUTTON_LEFT, 100, 100);
    PushButton(false, SDL_BUTTON_LEFT, 100, 100);
    PushQuit();
  };
  EXPECT_EQ(backend_->Run(*window_), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"down 1", "up 1", "click", "down 2", "up 2", "click",
                                            "down 4", "up 4", "double", "up 1"}));
}

// A handler that runs long asks between its steps whether the program is to
// end: a quit, a close of the window or a left press on End waiting in the
// queue says yes (the handler is left, the window unloads), anything else
// no, and the event is handled after the handler as ever.
struct EndCase {
  const char* name;
  SDL_Event event;
  bool ends;
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

SDL_Event Event(uint32_t type, uint8_t window_event = 0) {
  SDL_Event e{};
  e.type = type;
  e.window.event = window_event;
  return e;
}

SDL_Event Press(uint8_t button, int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = button;
  e.button.state = SDL_PRESSED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  return e;
}

class EndRequestTest : public testing::BackendTest,
                       public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndRequestTest, ALongHandlerIsLeftOnlyForARequestToEnd) {
  CommandButton end(*window_, "EndCom");
  testing::PlaceInPixels(end, 0, 0, 100, 40);
  window_->end_control = &end;
  std::vector<std::string> log;
  end.on_click = [&] { log.push_back("End clicked"); };
  window_->on_unload = [&] { log.push_back("unload"); };
  window_->on_activate = [&] {
    Push(GetParam().event);
    const auto began = Clock::now();
    // Steps of a millisecond for 300 ms, asking between each.
    while (Clock::now() - began < std::chrono::milliseconds(300)) {
      if (window_->EndRequested()) {
        log.push_back("left");
        throw EndingNow{};
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    log.push_back("ran to its end");
    PushQuit();
  };
  EXPECT_EQ(backend_->Run(*window_), 0);
  if (GetParam().ends) {
    EXPECT_EQ(log, (std::vector<std::string>{"left", "unload"}));
  } else {
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "ran to its end");
    EXPECT_EQ(log.back(), "unload");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Loop, EndRequestTest,
    ::testing::Values(EndCase{"Quit", Event(SDL_QUIT), true},
                      EndCase{"Close", Event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE), true},
                      EndCase{"LeftPressOnEnd", Press(SDL_BUTTON_LEFT, 50, 20), true},
                      EndCase{"RightPressOnEnd", Press(SDL_BUTTON_RIGHT, 50, 20), false},
                      EndCase{"LeftPressElsewhere", Press(SDL_BUTTON_LEFT, 300, 300), false},
                      EndCase{"Resize", Event(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESIZED), false},
                      EndCase{"Motion", Event(SDL_MOUSEMOTION), false}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(LoopTest, ARunTimeErrorIsReportedInABoxAndOnStandardErrorThenEnds) {
  Timer timer(*window_, "TimLbl", 100, true);
  int ticks = 0;
  timer.on_tick = [&] { ++ticks; };
  backend_->error_location = [] { return std::string("in 0_2.dat, line 14"); };
  window_->on_activate = [] { throw RuntimeError(err::kFileNotFound, "0_3.dat"); };
  Text title;
  std::vector<Text> lines;
  backend_->on_frame_presented = [&] {
    if (const MessageBoxLayout* box = backend_->shown_box(); box && title.empty()) {
      title = box->title;
      lines = box->lines;
      PushKey(SDLK_RETURN);
    }
  };
  ::testing::internal::CaptureStderr();
  int status = backend_->Run(*window_);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(title, u"yomite");
  EXPECT_EQ(lines, (std::vector<Text>{u"Run-time error 53: File not found: 0_3.dat",
                                      u"in 0_2.dat, line 14"}));
  EXPECT_EQ(err, "yomite: Run-time error 53: File not found: 0_3.dat (in 0_2.dat, line 14)\n");
  EXPECT_TRUE(window_->Ended());
  EXPECT_EQ(ticks, 0);
}

TEST_F(LoopTest, RunningOutOfMemoryIsReportedAsError7) {
  window_->on_load = [] { throw std::bad_alloc(); };
  backend_->on_frame_presented = [&] {
    if (backend_->shown_box()) PushKey(SDLK_ESCAPE);
  };
  ::testing::internal::CaptureStderr();
  int status = backend_->Run(*window_);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "yomite: Run-time error 7: Out of memory\n");
}

TEST_F(LoopTest, WhileTheBoxIsOpenNoHandlerRunsAndItsClicksAreDropped) {
  Label lbl(*window_, "Lbl", true);
  testing::PlaceInPixels(lbl, 0, 0, 640, 480);
  int clicks = 0;
  lbl.on_click = [&] { ++clicks; };
  Timer timer(*window_, "TimLbl", 100, true);
  std::vector<Clock::time_point> ticks;
  timer.on_tick = [&] {
    ticks.push_back(Clock::now());
    if (ticks.size() == 2) window_->End();
  };
  Clock::time_point opened, closed;
  std::thread closer;
  backend_->on_frame_presented = [&] {
    if (!backend_->shown_box() || closer.joinable()) return;
    // Hold the box open for longer than the timer's period, then close
    // it with clicks on the label queued behind the key.
    closer = std::thread([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(350));
      PushKey(SDLK_RETURN);
      PushButton(true, SDL_BUTTON_LEFT, 100, 100);
      PushButton(false, SDL_BUTTON_LEFT, 100, 100);
    });
  };
  window_->on_activate = [&] {
    opened = Clock::now();
    window_->MessageBox(u"About", u"ミモザ２");
    closed = Clock::now();
  };
  EXPECT_EQ(backend_->Run(*window_), 0);
  if (closer.joinable()) closer.join();
  EXPECT_EQ(clicks, 0);
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_GE(closed - opened, std::chrono::milliseconds(300));
  // The timer stood still while the box was open: its first tick comes
  // after the box closed, with most of its period still to run.
  EXPECT_GT(ticks[0], closed + std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace yomite::ui::sdl
