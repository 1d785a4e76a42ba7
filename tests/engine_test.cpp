// The engine seen from its state: chains in constant stack, the bounds on
// chains that never end, the error report of every malformed line, the
// layout's sizes, and the counters at their limit.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include "base/runtime_error.h"
#include "tests/support/engine_harness.h"
#include "tests/support/story_builder.h"
#include "ui/keyboard.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::testing;

namespace {

// Runs fn on a thread with a small stack, so that a chain that grew the
// stack per line would overflow it.
void OnSmallStack(const std::function<void()>& fn, size_t stack_bytes = 512 * 1024) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack_bytes);
  struct Call {
    const std::function<void()>* fn;
    std::exception_ptr error;
  } call{&fn, nullptr};
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* p) -> void* {
                  auto* c = static_cast<Call*>(p);
                  try {
                    (*c->fn)();
                  } catch (...) {
                    c->error = std::current_exception();
                  }
                  return nullptr;
                },
                &call),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  if (call.error) std::rethrow_exception(call.error);
}

TEST(Chains, MillionEmptyLinesAndCommandsRunInConstantStack) {
  fs::path dat = FreshFolder("chain-lines");
  std::string bytes;
  for (int i = 0; i < 500000; ++i) bytes += "\r\n";
  for (int i = 0; i < 500000; ++i) bytes += ">on>a\r\n";
  bytes += "the end of the chain\r\n";
  WriteFile(dat / "opn.dat", bytes);
  Engine e(dat);
  OnSmallStack([&] { e.Start(); });
  // Empty lines never start a page: every one that does not take the
  // page's first place adds a blank line (k % 11 == 0 takes it).
  const Text& caption = e.w.Lbl.Caption();
  size_t breaks = 0;
  for (size_t at = caption.find(u"\r\n"); at != Text::npos; at = caption.find(u"\r\n", at + 2)) {
    ++breaks;
  }
  EXPECT_EQ(breaks, 500000u - 500000u / 11 + 1);
  EXPECT_TRUE(caption.ends_with(u"\r\nthe end of the chain"));
  EXPECT_EQ(e.s().Flags['a'], kTrue);
  EXPECT_EQ(e.s().QstMode, kTrue);
}

TEST(Chains, TenThousandScriptsThatJumpToTheNextRunInConstantStack) {
  fs::path dat = FreshFolder("chain-scripts");
  const int n = 10000;
  WriteFile(dat / "opn.dat", ">ive>s0\r\n");
  for (int i = 0; i < n; ++i) {
    WriteFile(dat / ("s" + std::to_string(i) + ".dat"),
              i + 1 < n ? ">ive>s" + std::to_string(i + 1) + "\r\n" : "arrived\r\n");
  }
  Engine e(dat);
  OnSmallStack([&] { e.Start(); });
  EXPECT_EQ(e.w.Lbl.Caption(), u"arrived");
  EXPECT_EQ(e.files.opens, n + 1);
}

TEST(Chains, AScriptThatJumpsToItselfEndsWithOutOfStackSpace) {
  fs::path dat = FreshFolder("chain-cycle");
  WriteFile(dat / "opn.dat", "\r\n>ive>opn\r\n");
  Engine e(dat);
  try {
    e.Start();
    FAIL() << "a cycle without prose must not end";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), err::kOutOfStack);
    EXPECT_EQ(e.fom.Location().file, u"opn.dat");
    EXPECT_EQ(e.fom.Location().line, 2);
    EXPECT_EQ(e.files.opens, ActionBudget::kLimits.opens);
  }
}

TEST(Chains, FastForwardThroughAProseCycleStopsAtItsBound) {
  fs::path dat = FreshFolder("ff-cycle");
  WriteFile(dat / "opn.dat", "round and round\r\n>ive>opn\r\n");
  Engine e(dat);
  e.Start();
  long before = e.files.opens;
  e.mouse.Press(&e.w.Lbl, ui::kRightButton);
  EXPECT_EQ(e.files.opens - before, ActionBudget::kLimits.opens / 2);
  e.mouse.Release(&e.w.Lbl, ui::kRightButton);
  EXPECT_EQ(e.w.Lbl.Caption(), u"round and round") << "the game goes on after the bound";
  EXPECT_EQ(e.w.ClickMe.BackColor(), ui::kWhite);
}

// One budget for each user action: every case would run for minutes
// (or for ever) without it. A fast-forward stops quietly once half of it
// is spent; a chain that spends all of it is error 28. Each prints the
// CPU time its action took, a figure for the notes, not a bound.
struct BudgetCase {
  const char* name;
  std::function<void(const fs::path&)> make;
  bool right_click;  // else the start-up's first chain is the action
  int error;         // 0: the action ends quietly
  const char* ran_out;
};
void PrintTo(const BudgetCase& c, std::ostream* os) { *os << c.name; }

class ActionBudgetTest : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(ActionBudgetTest, EndsTheActionWithinItsBudget) {
  const BudgetCase& c = GetParam();
  fs::path dat = FreshFolder(std::string("budget-") + c.name);
  c.make(dat);
  Engine e(dat);
  int error = 0;
  std::string message;
  const std::clock_t began = std::clock();
  try {
    e.Start();
    if (c.right_click) e.mouse.Press(&e.w.Lbl, ui::kRightButton);
  } catch (const RuntimeError& thrown) {
    error = thrown.number();
    message = thrown.message();
  }
  const double cpu_ms = 1000.0 * double(std::clock() - began) / CLOCKS_PER_SEC;
  const ActionBudget& b = e.fom.budget();
  std::printf(
      "[ figures  ] %s: %.0f ms of CPU; %lld steps, %lld opens, %lld characters, %lld "
      "pixels\n",
      c.name, cpu_ms, (long long)b.spent().steps, (long long)b.spent().opens,
      (long long)b.spent().characters, (long long)b.spent().pixels);
  EXPECT_EQ(error, c.error) << message;
  if (c.error) {
    EXPECT_NE(message.find(std::string("more than ") + c.ran_out), std::string::npos) << message;
  } else {
    EXPECT_TRUE(b.HalfSpent());
    EXPECT_FALSE(b.Overdrawn());
    EXPECT_EQ(e.s().QstMode, kFalse) << "the story was not at a stop";
  }
}

std::string JumpLine(const std::string& to) { return ">ive>" + to + "\r\n"; }

INSTANTIATE_TEST_SUITE_P(
    Chains, ActionBudgetTest,
    ::testing::Values(BudgetCase{"TenJumpScriptsBetweenProseLines",
                                 [](const fs::path& d) {
                                   WriteFile(d / "opn.dat", "prose\r\n" + JumpLine("j0"));
                                   for (int i = 0; i < 10; ++i) {
                                     WriteFile(
                                         d / ("j" + std::to_string(i) + ".dat"),
                                         JumpLine(i < 9 ? "j" + std::to_string(i + 1) : "opn"));
                                   }
                                 },
                                 true, 0, ""},
                      BudgetCase{"ACycleOfTenThousandEmptyLines",
                                 [](const fs::path& d) {
                                   // A lone CR ends a line as CR LF does.
                                   WriteFile(d / "opn.dat",
                                             std::string(10000, '\r') + JumpLine("opn"));
                                 },
                                 false, err::kOutOfStack, "4000000 lines executed"},
                      BudgetCase{"AJumpCycleShowingAPictureEach",
                                 [](const fs::path& d) {
                                   WriteFile(d / "p.jpg", PictureBytes(64, 64));
                                   WriteFile(d / "opn.dat", ">img>p\r\n" + JumpLine("opn"));
                                 },
                                 false, err::kOutOfStack, "1000000000 pixels decoded and painted"},
                      BudgetCase{"FastForwardOverLinesOfAMegabyte",
                                 [](const fs::path& d) {
                                   WriteFile(d / "opn.dat",
                                             std::string(1 << 20, 'a') + "\r\n" + JumpLine("opn"));
                                 },
                                 true, 0, ""}),
    [](const ::testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

// The bundled story's actions, every kind, over games with every pattern of
// picks: the largest of each part must stay far below the budget, so no
// real story comes near it. Prints the largest figures.
TEST(ActionBudgetTest, TheBundledStorysLargestActionIsFarBelowTheBudget) {
  ActionBudget::Limits largest{};
  auto note = [&largest](const ActionBudget& b) {
    largest.steps = std::max(largest.steps, b.spent().steps);
    largest.opens = std::max(largest.opens, b.spent().opens);
    largest.characters = std::max(largest.characters, b.spent().characters);
    largest.pixels = std::max(largest.pixels, b.spent().pixels);
  };
  long actions = 0;
  for (int game = 0; game < 16; ++game) {
    Engine e(YOMITE_DEMO_DAT, 1920, 1080);
    e.Start();
    note(e.fom.budget());
    for (int pick = 0; pick < 12 && !e.w.Fom.Ended(); ++pick) {
      // Half the games right-click through each scene at once, the others
      // read it by the timer and right-click through what is left.
      if (game % 2) {
        e.mouse.Press(&e.w.Lbl, ui::kRightButton);
        note(e.fom.budget());
        ++actions;
      }
      for (int tick = 0; tick < 400 && e.s().QstMode == kFalse; ++tick) {
        if (e.w.TimLbl.Enabled()) {
          e.w.TimLbl.Tick();
        } else {
          e.mouse.Click(&e.w.ClickMe, ui::kLeftButton);
        }
        note(e.fom.budget());
        ++actions;
      }
      e.mouse.Press(&e.w.Lbl, ui::kRightButton);
      note(e.fom.budget());
      // Each game takes its own pattern of the two buttons.
      e.mouse.Click(&e.w.QstCom((game >> (pick % 4)) & 1), ui::kLeftButton);
      note(e.fom.budget());
      actions += 2;
    }
  }
  std::printf(
      "[ figures  ] largest of %ld actions: %lld steps, %lld opens, %lld characters, "
      "%lld pixels\n",
      actions, (long long)largest.steps, (long long)largest.opens, (long long)largest.characters,
      (long long)largest.pixels);
  const ActionBudget::Limits& limit = ActionBudget::kLimits;
  EXPECT_GT(largest.steps, 0);
  EXPECT_LT(largest.steps * 100, limit.steps);
  EXPECT_LT(largest.opens * 100, limit.opens);
  EXPECT_LT(largest.characters * 100, limit.characters);
  EXPECT_LT(largest.pixels * 10, limit.pixels);
}

// A page that is never cleared grows by one line an action: at its limit it
// is "Out of memory" at the line that would pass it, not gigabytes later.
TEST(Chains, APageThatIsNeverClearedStopsAtItsLimit) {
  fs::path dat = FreshFolder("page-limit");
  const std::string line(1 << 20, 'a');
  std::string bytes = ">p\r\n";
  for (int block = 0; block < 8; ++block) {
    for (int i = 0; i < 10; ++i) bytes += line + "\r\n";
    bytes += "\r\n";  // the first place of the next page: the page stays
  }
  WriteFile(dat / "opn.dat", bytes);
  Engine e(dat);
  e.Start();
  try {
    for (int action = 0; action < 200; ++action) {
      if (e.w.TimLbl.Enabled()) {
        e.w.TimLbl.Tick();
      } else {
        e.mouse.Click(&e.w.ClickMe, ui::kLeftButton);
      }
    }
    FAIL() << "the page grew past its limit";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), err::kOutOfMemory);
    EXPECT_EQ(error.message(), "Out of memory: the page holds more than 67108864 characters");
    EXPECT_LE(e.w.Lbl.Caption().size(), Fom::kMaxPageCharacters);
    EXPECT_GT(e.w.Lbl.Caption().size(), Fom::kMaxPageCharacters - line.size() - 4);
  }
}

TEST(Chains, APickWhoseSceneRestartsTheGameCountsIntoTheNewGame) {
  fs::path dat = FreshFolder("pick-restart");
  WriteFile(dat / "opn.dat", "start\r\n");
  WriteFile(dat / "0_0.dat", "\r\n>on>r\r\n>end\r\n");
  Engine e(dat);
  OnSmallStack([&] {
    e.Start();
    e.mouse.Click(&e.w.QstCom(0), ui::kLeftButton);
  });
  EXPECT_EQ(e.s().DayCnt, 1);
  EXPECT_EQ(e.s().Visits[0], 1);
  EXPECT_EQ(e.s().Visits[1], 0);
  EXPECT_EQ(e.s().Flags['r'], kTrue);
  EXPECT_EQ(e.w.Lbl.Caption(), u"start");
}

TEST(Choice, CountersStayAtTheirLimit) {
  fs::path dat = FreshFolder("counters");
  WriteFile(dat / "opn.dat", "start\r\n");
  WriteFile(dat / "bad.dat", "bad\r\n");
  Engine e(dat);
  e.Start();
  e.fom.mutable_state().DayCnt = 32767;
  e.fom.mutable_state().Visits[1] = 32767;
  e.mouse.Click(&e.w.QstCom(1), ui::kLeftButton);
  EXPECT_EQ(e.w.Lbl.Caption(), u"bad");
  EXPECT_EQ(e.s().DayCnt, 32767);
  EXPECT_EQ(e.s().Visits[1], 32767);
  EXPECT_EQ(e.s().QstIdx, 1);
}

// An author's start in the middle: only the first game starts there, with
// its flags, day and visits; the picks count on from them; a new game the
// story starts opens "opn" at day 0 and keeps the flags.
TEST(StartPoint, TheFirstGameStartsThereAndTheNextAtOpn) {
  fs::path dat = FreshFolder("start-point");
  WriteFile(dat / "opn.dat", "start\r\n");
  WriteFile(dat / "mid.dat", ">bon>k>next>yes\r\nflag k is off\r\n");
  WriteFile(dat / "yes.dat", "flag k is on\r\n");
  WriteFile(dat / "1_3.dat", "the fourth day with 1\r\n>end\r\n");
  WriteFile(dat / "bad.dat", "bad\r\n");
  Engine e(dat);
  StartPoint start;
  start.script = u"mid";
  start.flags = {'k', 0xB1};  // halfwidth katakana A is a flag too
  start.day = 5;
  start.visits = {2, 3};
  e.fom.StartAt(start);
  e.Start();
  EXPECT_EQ(e.w.Lbl.Caption(), u"flag k is on");
  EXPECT_EQ(e.s().DayCnt, 5);
  EXPECT_EQ(e.s().Flags[0xB1], kTrue);

  e.mouse.Click(&e.w.QstCom(1), ui::kLeftButton);
  EXPECT_EQ(e.w.Lbl.Caption(), u"the fourth day with 1") << "button 1 picked three times before";
  EXPECT_EQ(e.s().DayCnt, 6);
  EXPECT_EQ((std::array<int16_t, 2>{e.s().Visits}), (std::array<int16_t, 2>{2, 4}));

  e.mouse.Click(&e.w.Lbl, ui::kLeftButton);  // runs the >end
  EXPECT_EQ(e.w.Lbl.Caption(), u"start");
  EXPECT_EQ(e.s().DayCnt, 0);
  EXPECT_EQ((std::array<int16_t, 2>{e.s().Visits}), (std::array<int16_t, 2>{0, 0}));
  EXPECT_EQ(e.s().Flags['k'], kTrue) << "flags outlive the new game as always";

  // At day 8 the next pick is the ninth of the game.
  Engine late(dat);
  StartPoint day8;
  day8.day = 8;
  late.fom.StartAt(day8);
  late.Start();
  EXPECT_EQ(late.w.Lbl.Caption(), u"start");
  late.mouse.Click(&late.w.QstCom(0), ui::kLeftButton);
  EXPECT_EQ(late.w.Lbl.Caption(), u"bad");
}

// Every line that ends the program, with the error it reports.
struct BadLine {
  const char* line;  // UTF-8, written as code page 932
  int number;
  const char* message;
};

class MalformedLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(MalformedLine, EndsWithTheErrorNamingTheLine) {
  const BadLine& bad = GetParam();
  fs::path dat = FreshFolder("malformed");
  WriteFile(dat / "opn.dat", ScriptBytes("prose first") + "\r\n" + ScriptBytes(">on>k") + "\r\n" +
                                 ScriptBytes(bad.line) + "\r\n");
  WriteFile(dat / "x.jpg", PictureBytes(20, 10));
  WriteFile(dat / "text.jpg", "this is not a picture\r\n");
  fs::create_directory(dat / "folder.dat");
  Engine e(dat);
  e.Start();
  try {
    e.mouse.Click(&e.w.Lbl, ui::kLeftButton);
    FAIL() << bad.line << " ran without an error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), bad.number) << bad.line << ": " << error.message();
    EXPECT_EQ(error.message(), bad.message) << bad.line;
    EXPECT_EQ(e.fom.Location().file, u"opn.dat");
    EXPECT_EQ(e.fom.Location().line, 3);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedLine,
    ::testing::Values(
        BadLine{">img", 5, "Invalid procedure call or argument: cut of length -1"},
        BadLine{">img>", 53, "File not found: .jpg"},
        BadLine{">img>missing", 53, "File not found: missing.jpg"},
        BadLine{">img>text", 481, "Invalid picture: text.jpg"},
        BadLine{">on", 5, "Invalid procedure call or argument: cut of length -1"},
        BadLine{">on>", 5, "Invalid procedure call or argument: empty flag"},
        BadLine{">on>あ", 9,
                "Subscript out of range: flag character あ (U+3042) has number -32096"},
        BadLine{">on>Ｙ", 9, "Subscript out of range: flag character 澪 (U+6FAA) has number -8103"},
        BadLine{">off>１", 9,
                "Subscript out of range: flag character １ (U+FF11) has number -32176"},
        BadLine{">oimg>x", 5, "Invalid procedure call or argument: cut of length -7"},
        BadLine{">oimg>sw>k", 5, "Invalid procedure call or argument: cut of length -1"},
        BadLine{">oimg>x>sw", 5, "Invalid procedure call or argument: cut of length -1"},
        BadLine{">oimg>x>sw>", 5, "Invalid procedure call or argument: empty flag"},
        BadLine{">oimg>missing>sw>k", 53, "File not found: missing.jpg"},
        BadLine{">oimg>x>sw>k", 53, "File not found: 3.jpg"},
        BadLine{">bon>k", 5, "Invalid procedure call or argument: cut of length -6"},
        BadLine{">bon>next>x", 5, "Invalid procedure call or argument: cut of length -1"},
        BadLine{">boff>>next>x", 5, "Invalid procedure call or argument: empty flag"},
        BadLine{">bon>k>next>missing", 53, "File not found: missing.dat"},
        BadLine{">ive>", 53, "File not found: .dat"},
        BadLine{">ive>missing ", 53, "File not found: missing .dat"},
        BadLine{">ive>folder", 75, "Path/File access error: folder.dat is a folder"}));

// The About box: five lines, the third empty, none after the last; the
// last an address that is true wherever yomite is installed.
TEST(About, TheBoxHasFiveLinesAndNamesWhereTheDocumentationIs) {
  fs::path dat = FreshFolder("about");
  WriteFile(dat / "opn.dat", "start\r\n");
  Engine e(dat);
  e.Start();
  e.mouse.Click(&e.w.Img, ui::kLeftButton);
  ASSERT_EQ(e.backend.message_boxes().size(), 1u);
  const ui::HeadlessBackend::MessageBoxShown& box = e.backend.message_boxes()[0];
  EXPECT_EQ(box.title, u"ミモザ２");
  EXPECT_EQ(box.text, u"ミモザ\r\nyomite " + FromUtf8(YOMITE_VERSION) +
                          u"\r\n\r\n物語プレーヤー yomite の開発者一同\r\nman:yomite(6)");
  EXPECT_EQ(e.w.Lbl.Caption(), u"start") << "the box changes nothing";
}

TEST(Errors, AMissingOpeningScriptNamesNoScript) {
  fs::path dat = FreshFolder("no-opn");
  Engine e(dat);
  try {
    e.Start();
    FAIL();
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), err::kFileNotFound);
    EXPECT_EQ(error.message(), "File not found: opn.dat");
    EXPECT_TRUE(e.fom.Location().file.empty());
  }
}

TEST(Errors, AMissingSceneIsReportedAtThePickAndCountsNothing) {
  fs::path dat = FreshFolder("no-scene");
  WriteFile(dat / "opn.dat", "one\r\ntwo\r\n");
  Engine e(dat);
  e.Start();
  e.mouse.Click(&e.w.Lbl, ui::kLeftButton);
  EXPECT_THROW(e.mouse.Click(&e.w.QstCom(1), ui::kLeftButton), RuntimeError);
  EXPECT_EQ(e.s().DayCnt, 0);
  EXPECT_EQ(e.fom.Location().file, u"opn.dat");
  EXPECT_EQ(e.fom.Location().line, 2);
}

struct ScreenCase {
  int width, height;
  int text_size, small_size;
  double img_left_px, img_width_px, img_height_px;
};

class Layout : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(Layout, SizesFollowTheScreen) {
  const ScreenCase& c = GetParam();
  fs::path dat = FreshFolder("layout");
  WriteFile(dat / "opn.dat", "text\r\n");
  Engine e(dat, c.width, c.height);
  e.Start();
  EXPECT_EQ(e.w.Lbl.FontSize(), c.text_size);
  EXPECT_EQ(e.w.ClickMe.FontSize(), c.small_size);
  EXPECT_EQ(e.w.QstCom(1).FontSize(), c.small_size);
  EXPECT_EQ(e.w.EndCom.FontSize(), 0) << "the End button keeps the default font";
  EXPECT_NEAR(e.w.Img.Rect().left, c.img_left_px, 1e-6);
  EXPECT_NEAR(e.w.Img.Rect().top, 0, 1e-6);
  EXPECT_NEAR(e.w.Img.Rect().width, c.img_width_px, 1e-6);
  EXPECT_NEAR(e.w.Img.Rect().height, c.img_height_px, 1e-6);
  // A second layout puts everything where the first did.
  ui::PixelRect lbl = e.w.Lbl.Rect(), img = e.w.Img.Rect();
  e.Resize(c.width, c.height);
  EXPECT_NEAR(e.w.Lbl.Rect().top, lbl.top, 1e-9);
  EXPECT_NEAR(e.w.Img.Rect().left, img.left, 1e-9);
  EXPECT_NEAR(e.w.Img.Rect().width, img.width, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Screens, Layout,
                         ::testing::Values(ScreenCase{640, 480, 9, 7, 160, 480, 240},
                                           ScreenCase{800, 600, 12, 9, 200, 600, 300},
                                           ScreenCase{1024, 768, 15, 12, 256, 768, 384},
                                           ScreenCase{1280, 800, 16, 12, 480, 800, 400},
                                           ScreenCase{1280, 1024, 20, 16, 256, 1024, 512},
                                           ScreenCase{1920, 1080, 21, 16, 840, 1080, 540},
                                           ScreenCase{1920, 1200, 24, 19, 720, 1200, 600},
                                           ScreenCase{600, 800, 16, 12, -200, 800, 400}));

TEST(LayoutTest, EndAndTheChoiceButtonsStayClickableOnEveryWindowShape) {
  // On a window at least as tall as wide the picture area reaches over the
  // button column; the buttons lie above it. Sizes beyond the window
  // model's bound are laid out within it.
  fs::path dat = FreshFolder("layout-shapes");
  WriteFile(dat / "opn.dat", "start\r\n");
  for (auto [width, height] : std::vector<std::pair<int, int>>{{720, 1280},
                                                               {1080, 1920},
                                                               {1000, 1000},
                                                               {1100, 1000},
                                                               {100, 100},
                                                               {1, 1},
                                                               {1, 16384},
                                                               {16384, 1},
                                                               {16384, 16384},
                                                               {1920, 1080}}) {
    Engine e(dat, width, height);
    e.Start();
    e.Resize(width, height);
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    EXPECT_LE(long(e.w.Fom.InnerWidthPx()) * e.w.Fom.InnerHeightPx(), ui::kMaxInnerPixels);
    for (ui::Control* button :
         {static_cast<ui::Control*>(&e.w.EndCom), static_cast<ui::Control*>(&e.w.QstCom(0)),
          static_cast<ui::Control*>(&e.w.QstCom(1))}) {
      ASSERT_TRUE(button->Visible()) << button->name();
      const ui::PixelRect& r = button->Rect();
      EXPECT_EQ(e.w.Fom.ControlAt(r.left + r.width / 2, r.top + r.height / 2), button)
          << button->name();
    }
    // The layout's rules still hold: the picture area's right edge on the
    // window's, twice as wide as high.
    const ui::PixelRect& img = e.w.Img.Rect();
    EXPECT_NEAR(img.left + img.width, e.w.Fom.InnerWidthPx(), 1e-6);
    EXPECT_NEAR(img.width, 2 * img.height, 1e-6);
  }
}

TEST(Keyboard, TheMainWindowsTabOrderAndItsButtonsPressedFromTheKeyboard) {
  fs::path dat = FreshFolder("keys");
  WriteFile(dat / "opn.dat", "start\r\n");
  WriteFile(dat / "0_0.dat", "scene\r\n");
  Engine e(dat);
  e.Start();
  ASSERT_TRUE(e.w.QstCom(0).Visible());
  // The focus went to QstCom(0) as the window was shown; the first script
  // hid it for a moment, which passed the focus on to the picture area.
  EXPECT_EQ(e.w.Fom.Focused(), &e.w.Img);
  ui::KeyboardRouter& keys = e.backend.keyboard();
  std::vector<const ui::Control*> seen;
  for (int i = 0; i < 4; ++i) {
    keys.Type(ui::Key::kTab);
    seen.push_back(e.w.Fom.Focused());
  }
  EXPECT_EQ(seen, (std::vector<const ui::Control*>{&e.w.EndCom, &e.w.QstCom(1), &e.w.QstCom(0),
                                                   &e.w.Img}));
  // The picture area takes no key: no About box.
  keys.Type(ui::Key::kSpace);
  keys.Type(ui::Key::kReturn);
  EXPECT_TRUE(e.backend.message_boxes().empty());
  // Enter on QstCom(0) picks it, as its click does.
  keys.Type(ui::Key::kTab, /*shift=*/true);
  keys.Type(ui::Key::kReturn);
  EXPECT_EQ(e.s().Visits[0], 1);
  EXPECT_EQ(e.w.Lbl.Caption(), u"scene");
  // The new scene hid the button that had the focus: it passed on.
  EXPECT_EQ(e.w.Fom.Focused(), &e.w.Img);
  keys.Type(ui::Key::kTab);
  EXPECT_EQ(e.w.Fom.Focused(), &e.w.EndCom);
  keys.Type(ui::Key::kSpace);
  EXPECT_TRUE(e.backend.ended());
  EXPECT_EQ(e.backend.error(), nullptr);
}

TEST(LayoutTest, OnADoubledDesktopScaleTheSizesInPointsHalveAndPlacesStay) {
  // Twips follow the desktop's DPI: at 192 dpi a pixel is 7.5 twips, so
  // the screen is half as many twips high and the text size in points
  // halves, which the doubled points-to-pixels turns back into about the
  // same pixels. Places in pixels do not change at all.
  fs::path dat = FreshFolder("layout-dpi");
  WriteFile(dat / "opn.dat", "text\r\n");
  Engine plain(dat, 3840, 2160);
  plain.Start();
  Engine doubled(dat, 3840, 2160);
  doubled.w.Fom.SetDotsPerInch(192);
  doubled.Start();
  EXPECT_EQ(plain.w.Lbl.FontSize(), 43);
  EXPECT_EQ(doubled.w.Lbl.FontSize(), 21);
  EXPECT_EQ(doubled.w.ClickMe.FontSize(), 16);
  EXPECT_EQ(doubled.w.EndCom.FontSize(), 0);
  EXPECT_DOUBLE_EQ(doubled.w.Fom.ScreenHeightTwips(), 2160 * 7.5);
  EXPECT_NEAR(doubled.w.Img.Rect().left, plain.w.Img.Rect().left, 1e-6);
  EXPECT_NEAR(doubled.w.Img.Rect().width, plain.w.Img.Rect().width, 1e-6);
  EXPECT_NEAR(doubled.w.Lbl.Rect().top, plain.w.Lbl.Rect().top, 1e-6);
  EXPECT_NEAR(doubled.w.EndCom.Rect().height, plain.w.EndCom.Rect().height, 1e-6);
}

TEST(LayoutTest, ALayoutErasesThePictureAndShowsTheButtons) {
  fs::path dat = FreshFolder("layout-erase");
  WriteFile(dat / "opn.dat", ">img>x\r\ntext\r\nmore\r\n");
  WriteFile(dat / "x.jpg", PictureBytes(640, 480));
  Engine e(dat);
  e.Start();
  ASSERT_EQ(e.w.Img.Paintings().size(), 1u);
  EXPECT_EQ(e.w.Img.Paintings()[0].dst.width, 768);
  EXPECT_EQ(e.w.Img.Paintings()[0].src.width, 640);
  EXPECT_FALSE(e.w.QstCom(0).Visible());
  e.Resize(1024, 768);
  EXPECT_TRUE(e.w.Img.Paintings().empty());
  EXPECT_EQ(e.w.E.ScaleWidth(), 640) << "E keeps its picture";
  EXPECT_TRUE(e.w.QstCom(0).Visible());
  EXPECT_TRUE(e.w.QstCom(1).Visible());
  EXPECT_EQ(e.s().QstMode, kFalse);
}

}  // namespace
