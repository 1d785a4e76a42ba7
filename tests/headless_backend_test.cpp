// The headless backend's start-up, loop, timers and error guard: the same
// ones the SDL backend runs, driven by hand.
#include "ui/headless_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/last_resort.h"
#include "base/runtime_error.h"
#include "tests/support/story_builder.h"
#include "tools/trace/trace_runner.h"
#include "ui/label.h"
#include "ui/timer.h"
#include "ui/window.h"

using namespace yomite;
using namespace yomite::ui;

namespace {

using Log = std::vector<std::string>;

struct Scene {
  HeadlessBackend backend;
  Window window{backend, 800, 600};
  Label text{window, "text", true};
  Timer slow{window, "slow", 100, /*enabled=*/false};
  Timer fast{window, "fast", 1, /*enabled=*/true};
  Log log;
  Scene() {
    window.on_load = [this] { log.push_back("load"); };
    window.on_resize = [this] { log.push_back("resize"); };
    window.on_activate = [this] { log.push_back("activate"); };
    window.on_unload = [this] { log.push_back("unload"); };
    text.SetVisible(true);
    text.Move(0, 0, 800 * 15, 600 * 15);
    text.on_click = [this] { log.push_back("click"); };
  }
};

TEST(HeadlessStart, TheFirstEventsComeInOrder) {
  Scene s;
  EXPECT_TRUE(s.backend.Start(s.window));
  EXPECT_EQ(s.log, (Log{"load", "resize", "activate"}));
  EXPECT_FALSE(s.window.Ended());
  EXPECT_EQ(s.backend.error(), nullptr);
}

TEST(HeadlessStart, AnErrorInLoadIsCaughtEndsTheProgramAndStopsTheStartUp) {
  Scene s;
  s.window.on_load = [] { throw RuntimeError(err::kFileNotFound, "opn.dat"); };
  EXPECT_FALSE(s.backend.Start(s.window));
  EXPECT_TRUE(s.log.empty()) << "neither resize nor activate after a failed load";
  ASSERT_NE(s.backend.error(), nullptr);
  EXPECT_EQ(s.backend.error()->number(), err::kFileNotFound);
  EXPECT_EQ(s.backend.error()->message(), "File not found: opn.dat");
  EXPECT_TRUE(s.window.Ended());
  EXPECT_TRUE(s.backend.ended());
}

TEST(HeadlessStart, RunningOutOfMemoryIsError7AndOnlyTheFirstErrorCounts) {
  Scene s;
  s.window.on_activate = [] { throw std::bad_alloc(); };
  EXPECT_FALSE(s.backend.Start(s.window));
  EXPECT_EQ(s.log, (Log{"load", "resize"}));
  ASSERT_NE(s.backend.error(), nullptr);
  EXPECT_EQ(s.backend.error()->number(), err::kOutOfMemory);
  // Nothing runs after the end, so nothing can fail again.
  s.backend.Deliver([] { throw RuntimeError(err::kSubscript); });
  EXPECT_EQ(s.backend.error()->number(), err::kOutOfMemory);
}

// Whatever a handler throws ends the story as a run-time error, never as an
// abort: a library's own exception (iconv without CP932 throws
// std::runtime_error) is error 51 with its words.
TEST(HeadlessStart, AnyExceptionOfAHandlerIsARunTimeError) {
  struct Case {
    const char* what;
    std::function<void()> handler;
    int number;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"library", [] { throw std::runtime_error("iconv cannot convert CP932 to UTF-16LE"); },
       err::kInternal, "Internal error: iconv cannot convert CP932 to UTF-16LE"},
      {"logic", [] { throw std::out_of_range("vector::at"); }, err::kInternal,
       "Internal error: vector::at"},
      {"not std", [] { throw 3; }, err::kInternal, "Internal error: an exception of unknown type"},
      {"ours", [] { throw RuntimeError(err::kSubscript); }, err::kSubscript,
       "Subscript out of range"},
  };
  for (const Case& c : cases) {
    Scene s;
    s.window.on_resize = c.handler;
    EXPECT_FALSE(s.backend.Start(s.window)) << c.what;
    EXPECT_EQ(s.log, (Log{"load"})) << c.what;
    ASSERT_NE(s.backend.error(), nullptr) << c.what;
    EXPECT_EQ(s.backend.error()->number(), c.number) << c.what;
    EXPECT_EQ(s.backend.error()->message(), c.message) << c.what;
    EXPECT_TRUE(s.window.Ended()) << c.what;
  }
}

// The last resort of each program's main: what escapes every handler is
// the report's line and status 1; a body that returns keeps its status.
TEST(LastResort, AnEscapedExceptionIsTheReportLineAndStatus1) {
  std::vector<std::string> shown;
  auto show = [&](const RuntimeError& e) { shown.push_back(e.message()); };
  ::testing::internal::CaptureStderr();
  int status = RunToEnd(
      "prog", []() -> int { throw std::runtime_error("iconv cannot convert"); }, show);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "prog: Run-time error 51: Internal error: iconv cannot convert\n");
  EXPECT_EQ(shown, (std::vector<std::string>{"Internal error: iconv cannot convert"}));

  ::testing::internal::CaptureStderr();
  status = RunToEnd("prog", []() -> int { throw std::bad_alloc(); });
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "prog: Run-time error 7: Out of memory\n");
  EXPECT_EQ(status, 1);

  shown.clear();
  ::testing::internal::CaptureStderr();
  status = RunToEnd(
      "prog", [] { return 2; }, show);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(status, 2);
  EXPECT_TRUE(shown.empty());
}

TEST(HeadlessStart, AStoryThatEndsInItsStartUpRunsNothingMore) {
  Scene s;
  s.window.on_resize = [&s] { s.window.End(); };
  EXPECT_FALSE(s.backend.Start(s.window));
  EXPECT_EQ(s.log, (Log{"load"}));
  EXPECT_EQ(s.backend.error(), nullptr);
  s.slow.SetEnabled(true);
  EXPECT_EQ(s.backend.Tick(s.slow, 5), 0);
}

TEST(HeadlessTimers, ADisabledTimerReturnsAtOnceWhateverTheCount) {
  Scene s;
  ASSERT_TRUE(s.backend.Start(s.window));
  int ticks = 0;
  s.slow.on_tick = [&] { ++ticks; };
  EXPECT_EQ(s.backend.Tick(s.slow, 999'999'999'999), 0);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(s.backend.now_ms(), 0u) << "no time passes for a timer that does not tick";
}

TEST(HeadlessTimers, TicksStopWhenTheHandlerDisablesItsTimer) {
  Scene s;
  ASSERT_TRUE(s.backend.Start(s.window));
  int ticks = 0;
  s.slow.on_tick = [&] {
    if (++ticks == 3) s.slow.SetEnabled(false);
  };
  s.slow.SetEnabled(true);
  EXPECT_EQ(s.backend.Tick(s.slow, 999'999'999'999), 3);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(s.backend.now_ms(), 300u);
}

TEST(HeadlessTimers, EachTickEndsAnIntervalAndEnablingStartsAFullOne) {
  Scene s;
  ASSERT_TRUE(s.backend.Start(s.window));
  std::vector<uint64_t> at;
  s.fast.on_tick = [&] { at.push_back(s.backend.now_ms()); };
  // The 1 ms timer ticks at the shortest period.
  EXPECT_EQ(s.backend.Tick(s.fast, 2), 2);
  EXPECT_EQ(at, (std::vector<uint64_t>{uint64_t(kMinTimerPeriodMs), 2u * kMinTimerPeriodMs}));
  s.slow.on_tick = [&] { at.push_back(s.backend.now_ms()); };
  s.slow.SetEnabled(true);
  EXPECT_EQ(s.backend.Tick(s.slow), 1);
  EXPECT_EQ(at.back(), 2u * kMinTimerPeriodMs + 100);
}

TEST(HeadlessTimers, AnErrorInATickEndsTheTicks) {
  Scene s;
  ASSERT_TRUE(s.backend.Start(s.window));
  int ticks = 0;
  s.fast.on_tick = [&] {
    if (++ticks == 2) throw RuntimeError(err::kOutOfStack);
  };
  EXPECT_EQ(s.backend.Tick(s.fast, 10), 2);
  ASSERT_NE(s.backend.error(), nullptr);
  EXPECT_EQ(s.backend.error()->number(), err::kOutOfStack);
  EXPECT_TRUE(s.window.Ended());
}

TEST(HeadlessLoop, ACloseAskedForDuringAHandlerComesAfterIt) {
  Scene s;
  ASSERT_TRUE(s.backend.Start(s.window));
  s.text.on_click = [&s] {
    s.backend.RequestClose();
    s.log.push_back("click");
  };
  s.backend.Deliver([&s] { s.backend.mouse().Click(&s.text, kLeftButton); });
  EXPECT_EQ(s.log, (Log{"load", "resize", "activate", "click", "unload"}));
  EXPECT_TRUE(s.window.Ended()) << "closing ends the program though unload did not";
}

TEST(HeadlessLoop, RunPullsEventsUntilTheEndAndNamesEachAfterIt) {
  Scene s;
  Log done;
  s.backend.on_event_done = [&](const std::string& name) { done.push_back(name); };
  int pulled = 0;
  auto next = [&]() -> std::optional<HeadlessBackend::Event> {
    ++pulled;
    if (pulled == 1)
      return HeadlessBackend::Event{"click",
                                    [&] { s.backend.mouse().Click(&s.text, kLeftButton); }};
    if (pulled == 2) return HeadlessBackend::Event{"close", [&] { s.backend.Close(); }};
    return HeadlessBackend::Event{"never", [] { ADD_FAILURE() << "an event after the end"; }};
  };
  EXPECT_EQ(s.backend.Run(s.window, next), 0);
  EXPECT_EQ(done, (Log{"start", "click", "close"}));
  EXPECT_EQ(pulled, 2) << "no event is read after the end";
  EXPECT_EQ(s.log, (Log{"load", "resize", "activate", "click", "unload"}));
}

TEST(HeadlessLoop, RunEndsWithStatus1AfterARunTimeError) {
  Scene s;
  s.text.on_click = [] { throw RuntimeError(err::kPathAccess, "d.dat is a folder"); };
  bool given = false;
  auto next = [&]() -> std::optional<HeadlessBackend::Event> {
    if (given) return std::nullopt;
    given = true;
    return HeadlessBackend::Event{"click", [&] { s.backend.mouse().Click(&s.text, kLeftButton); }};
  };
  EXPECT_EQ(s.backend.Run(s.window, next), 1);
  ASSERT_NE(s.backend.error(), nullptr);
  EXPECT_EQ(s.backend.error()->number(), err::kPathAccess);
}

TEST(HeadlessLoop, RunEndsWithStatus0WhenTheEventsRunOut) {
  Scene s;
  EXPECT_EQ(s.backend.Run(s.window, [] { return std::optional<HeadlessBackend::Event>(); }), 0);
  EXPECT_FALSE(s.window.Ended());
}

// yomite-trace on a full page that waits for a click: its text timer is
// off, and asking it for ever so many ticks answers at once, changing
// nothing.
TEST(TraceTicks, ADisabledTimersTicksReturnAtOnceWhateverTheirNumber) {
  auto dat = yomite::testing::FreshFolder("trace-ticks");
  std::string script;
  for (char c = 'a'; c <= 'l'; ++c) script += std::string(1, c) + "\r\n";
  yomite::testing::WriteFile(dat / "opn.dat", script);
  std::istringstream events("run\nticks 999999999999\nticks 999999999999\n");
  std::ostringstream out, err;
  auto started = std::chrono::steady_clock::now();
  std::vector<std::string> args{dat.string()};
  int status = trace::RunTrace(args, events, out, err);
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_LT(took, std::chrono::seconds(10)) << "a bound, not a benchmark";
  std::istringstream lines(out.str());
  Log state;  // each line from the caption on
  for (std::string line; std::getline(lines, line);) {
    size_t caption = line.find("\"caption\"");
    ASSERT_NE(caption, std::string::npos) << line;
    state.push_back(line.substr(caption));
  }
  ASSERT_EQ(state.size(), 4u);
  EXPECT_NE(state[1].find("\"timer\":false"), std::string::npos) << state[1];
  EXPECT_EQ(state[2], state[1]);
  EXPECT_EQ(state[3], state[1]);
}

}  // namespace

// What yomite-trace writes is bounded per event, a transcript that cannot
// be written fails, and only a file or a pipe is read as the events.
TEST(TraceOutput, BoundsEachEventAndRefusesWhatItCannotWriteOrRead) {
  auto dat = yomite::testing::FreshFolder("trace-bounds");
  // Three lines of 20,000 characters: a page of 60,000.
  std::string long_line;
  for (int i = 0; i < 20000; ++i) long_line += "\x82\xa0";  // あ
  yomite::testing::WriteFile(dat / "opn.dat",
                             long_line + "\r\n" + long_line + "\r\n" + long_line + "\r\n");
  struct Case {
    const char* what;
    std::vector<std::string> extra_args;
    std::string events;
    bool bad_stream;
    int status;
    std::string err;  // part of standard error
  };
  const std::vector<Case> cases = {
      {"a long page", {}, "run\n", false, 0, ""},
      {"a full disk", {}, "run\n", true, 3, "could not be written"},
      {"a folder as events", {dat.string()}, "", false, 2, "is not a file or a pipe"},
      {"a device as events", {"/dev/zero"}, "", false, 2, "is not a file or a pipe"},
      {"an endless line", {}, std::string(100000, 'x'), false, 2, "longer than 4096 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args{dat.string()};
    args.insert(args.end(), c.extra_args.begin(), c.extra_args.end());
    std::istringstream events(c.events);
    std::ostringstream out, err;
    if (c.bad_stream) out.setstate(std::ios::badbit);
    EXPECT_EQ(trace::RunTrace(args, events, out, err), c.status) << err.str();
    EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    std::istringstream lines(out.str());
    int runs = 0;
    for (std::string line; std::getline(lines, line);) {
      // The caption is cut at 16,384 characters (3 bytes each in UTF-8),
      // and says how long it was.
      EXPECT_LT(line.size(), 200000u);
      if (line.find("\"event\":\"run\"") != std::string::npos) {
        ++runs;
        EXPECT_NE(line.find("\"caption_length\":60004"), std::string::npos) << line.substr(0, 200);
      }
    }
    EXPECT_EQ(runs, c.status == 0 ? 1 : 0);
  }
}
