// The window model: mouse delivery, stacking, control arrays, timers and
// the coordinate system.
#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "ui/command_button.h"
#include "ui/headless_backend.h"
#include "ui/keyboard.h"
#include "ui/label.h"
#include "ui/mouse.h"
#include "ui/picture_box.h"
#include "ui/timer.h"
#include "ui/window.h"

using namespace yomite;
using namespace yomite::ui;

namespace {

class CountingBackend : public HeadlessBackend {
 public:
  void TimerChanged(Timer& t) override { timer_changes.push_back(t.Enabled()); }
  std::vector<bool> timer_changes;
};

struct Recorder {
  std::vector<std::string> events;
  void Attach(Control& c) {
    c.on_mouse_down = [this, &c](int b) {
      events.push_back(c.name() + " down " + std::to_string(b));
    };
    c.on_mouse_up = [this, &c](int b) { events.push_back(c.name() + " up " + std::to_string(b)); };
    c.on_click = [this, &c] { events.push_back(c.name() + " click"); };
  }
};

struct Scene {
  CountingBackend backend;
  Window window{backend, 1000, 500};
  Label under{window, "under", false};
  Label text{window, "text", true};
  Label top{window, "top", false};
  CommandButton button{window, "button"};
  Recorder rec;
  MouseRouter mouse{window};
  Scene() {
    window.SetScaleWidth(100);
    window.SetScaleHeight(100);
    text.Move(0, 50, 100, 50);
    under.Move(0, 90, 50, 10);
    top.Move(80, 90, 10, 10);
    button.Move(0, 0, 10, 10);
    for (Control* c : std::vector<Control*>{&under, &text, &top, &button}) rec.Attach(*c);
  }
};

TEST(Mouse, PressReleaseClickInOrder) {
  Scene s;
  s.mouse.Click(&s.text, kLeftButton);
  s.mouse.Click(&s.text, kRightButton);
  s.mouse.Click(&s.text, kMiddleButton);
  EXPECT_EQ(s.rec.events,
            (std::vector<std::string>{"text down 1", "text up 1", "text click", "text down 2",
                                      "text up 2", "text click", "text down 4", "text up 4"}));
}

TEST(Mouse, DoubleClickOnALabelIsOneClickButTwoOnAButton) {
  Scene s;
  s.mouse.DoubleClick(&s.text);
  EXPECT_EQ(s.rec.events,
            (std::vector<std::string>{"text down 1", "text up 1", "text click", "text up 1"}));
  s.rec.events.clear();
  s.mouse.DoubleClick(&s.button);
  EXPECT_EQ(s.rec.events,
            (std::vector<std::string>{"button down 1", "button up 1", "button click",
                                      "button down 1", "button up 1", "button click"}));
}

TEST(Mouse, ReleaseGoesToThePressedControlAndClicksOnlyOnIt) {
  Scene s;
  s.mouse.Press(&s.text, kLeftButton);
  s.mouse.Release(&s.top, kLeftButton);
  s.mouse.Press(&s.text, kLeftButton);
  s.mouse.Release(&s.text, kRightButton);
  s.mouse.Release(&s.top, kLeftButton);  // no press before it
  EXPECT_EQ(s.rec.events, (std::vector<std::string>{"text down 1", "text up 1", "text down 1",
                                                    "text up 2", "top up 1"}));
}

TEST(Mouse, HiddenOrDisabledControlsGetNothing) {
  Scene s;
  s.text.SetEnabled(false);
  s.mouse.Click(&s.text, kLeftButton);
  s.top.SetVisible(false);
  s.mouse.Click(&s.top, kLeftButton);
  EXPECT_TRUE(s.rec.events.empty());
  // A control disabled while its button is held gets neither the release nor the click.
  s.text.SetEnabled(true);
  s.text.on_mouse_down = [&](int) { s.text.SetEnabled(false); };
  s.mouse.Click(&s.text, kLeftButton);
  EXPECT_TRUE(s.rec.events.empty());
}

TEST(Stacking, UppermostVisibleEnabledControlUnderThePointer) {
  Scene s;
  // Pixels: the window is 1000 by 500, so a unit is 10 by 5 pixels.
  EXPECT_EQ(s.window.ControlAt(850, 475), &s.top) << "a later label lies above";
  EXPECT_EQ(s.window.ControlAt(100, 475), &s.text) << "the text lies above the earlier label";
  EXPECT_EQ(s.window.ControlAt(500, 300), &s.text) << "also where it shows no text";
  EXPECT_EQ(s.window.ControlAt(50, 25), &s.button);
  EXPECT_EQ(s.window.ControlAt(500, 100), nullptr);
  s.text.SetEnabled(false);
  EXPECT_EQ(s.window.ControlAt(100, 475), &s.under);
  s.top.SetVisible(false);
  EXPECT_EQ(s.window.ControlAt(850, 475), nullptr);
  std::vector<Control*> order = s.window.DrawingOrder();
  EXPECT_EQ(order, (std::vector<Control*>{&s.under, &s.text, &s.top, &s.button}));
}

TEST(Stacking, ButtonsLieAbovePictureBoxesWhereverTheWindowHoldsThem) {
  // As on a portrait screen: the picture area reaches over the button
  // column, and the buttons were created before it.
  CountingBackend backend;
  Window window(backend, 600, 800);
  CommandButton end(window, "EndCom");
  PictureBox img(window, "Img", false);
  Label text(window, "Lbl", true);
  window.SetScaleWidth(100);
  window.SetScaleHeight(100);
  end.Move(1, 2, 10, 3);
  img.Move(-33, 0, 133, 50);
  text.Move(1, 52, 99, 48);
  EXPECT_EQ(window.ControlAt(30, 25), &end);
  EXPECT_EQ(window.ControlAt(300, 25), &img);
  EXPECT_EQ(window.DrawingOrder(), (std::vector<Control*>{&text, &img, &end}));
}

// Three buttons and a picture box in tab order b0, pic, b2; b3 created
// later joins at the end.
struct FocusScene {
  CountingBackend backend;
  Window window{backend, 1000, 500};
  ButtonArray q{window, "Q"};
  PictureBox pic{window, "Pic", false};
  CommandButton end{window, "End"};
  Label label{window, "Label", true};
  Recorder rec;
  MouseRouter mouse{window};
  KeyboardRouter keys{window, mouse};
  FocusScene() {
    window.SetTabOrder({&q(0), &pic, &end});
    q.Load(1).SetVisible(true);
    rec.Attach(q(0));
    rec.Attach(q(1));
    rec.Attach(pic);
    rec.Attach(end);
    window.FocusFirst();
  }
  std::string Focused() const { return window.Focused() ? window.Focused()->name() : "none"; }
};

TEST(Focus, TabAndShiftTabFollowTheTabOrderRoundTheEndSkippingWhatCannotTakeIt) {
  struct Case {
    const char* what;
    std::function<void(FocusScene&)> setup;
    std::vector<std::string> tab, shift_tab;
  };
  const std::vector<Case> cases{
      {"all there",
       [](FocusScene&) {},
       {"Pic", "End", "Q(1)", "Q(0)"},
       {"Q(1)", "End", "Pic", "Q(0)"}},
      {"Q(0) hidden",
       [](FocusScene& s) { s.q(0).SetVisible(false); },
       {"End", "Q(1)", "Pic", "End"},
       {"Q(1)", "End", "Pic", "Q(1)"}},
      {"End disabled, Q(1) hidden",
       [](FocusScene& s) {
         s.end.SetEnabled(false);
         s.q(1).SetVisible(false);
       },
       {"Pic", "Q(0)", "Pic"},
       {"Pic", "Q(0)", "Pic"}},
      {"nothing can take it",
       [](FocusScene& s) {
         for (Control* c : std::vector<Control*>{&s.q(0), &s.q(1), &s.pic, &s.end}) {
           c->SetVisible(false);
         }
       },
       {"none"},
       {"none"}},
  };
  for (const Case& c : cases) {
    for (bool backwards : {false, true}) {
      FocusScene s;
      c.setup(s);
      std::vector<std::string> seen;
      for (size_t i = 0; i < (backwards ? c.shift_tab : c.tab).size(); ++i) {
        s.keys.Type(Key::kTab, backwards);
        seen.push_back(s.Focused());
      }
      EXPECT_EQ(seen, backwards ? c.shift_tab : c.tab)
          << c.what << (backwards ? ", Shift+Tab" : "");
      EXPECT_TRUE(s.rec.events.empty()) << "Tab clicks nothing";
    }
  }
}

TEST(Focus, StartsOnTheFirstControlThatCanTakeItAndMovesOnWhenItIsHidden) {
  FocusScene s;
  EXPECT_EQ(s.Focused(), "Q(0)");
  EXPECT_FALSE(s.window.FocusCues()) << "no mark before the keyboard is used";
  s.q(0).SetVisible(false);
  EXPECT_EQ(s.Focused(), "Pic");
  s.q(0).SetVisible(true);
  EXPECT_EQ(s.Focused(), "Pic") << "showing a control does not take the focus";
  s.pic.SetEnabled(false);
  EXPECT_EQ(s.Focused(), "End");
  s.keys.Type(Key::kTab);
  EXPECT_TRUE(s.window.FocusCues());
}

TEST(Keyboard, SpaceAndEnterClickTheFocusedButtonAsTheLeftButtonWould) {
  FocusScene s;
  // Down shows it held; the release clicks, through the mouse's own road.
  s.keys.Press(Key::kSpace);
  EXPECT_EQ(s.keys.Held(), &s.q(0));
  EXPECT_TRUE(s.rec.events.empty());
  s.keys.Press(Key::kSpace, false, /*repeat=*/true);
  s.keys.Release(Key::kReturn);  // not the key that pressed it
  EXPECT_TRUE(s.rec.events.empty());
  s.keys.Release(Key::kSpace);
  EXPECT_EQ(s.keys.Held(), nullptr);
  s.keys.Type(Key::kReturn);
  EXPECT_EQ(s.rec.events, (std::vector<std::string>{"Q(0) down 1", "Q(0) up 1", "Q(0) click",
                                                    "Q(0) down 1", "Q(0) up 1", "Q(0) click"}));
  s.rec.events.clear();
  // Tab while Space is held lets the button go without a click.
  s.keys.Press(Key::kSpace);
  s.keys.Press(Key::kTab);
  s.keys.Release(Key::kSpace);
  EXPECT_EQ(s.Focused(), "Pic");
  // A picture box has no click from the keyboard.
  s.keys.Type(Key::kSpace);
  s.keys.Type(Key::kReturn);
  EXPECT_TRUE(s.rec.events.empty());
  // Let go (the window lost the keyboard): the release clicks nothing.
  s.keys.Type(Key::kTab, /*shift=*/true);
  s.keys.Press(Key::kReturn);
  s.keys.LetGo();
  EXPECT_EQ(s.keys.Held(), nullptr);
  s.keys.Release(Key::kReturn);
  EXPECT_TRUE(s.rec.events.empty());
  s.keys.Type(Key::kTab);
  // A button disabled while held is not clicked.
  s.keys.Type(Key::kTab);
  s.keys.Press(Key::kSpace);
  s.end.SetEnabled(false);
  s.keys.Release(Key::kSpace);
  EXPECT_TRUE(s.rec.events.empty());
  // Nothing after the end.
  s.window.End();
  s.keys.Type(Key::kTab);
  s.keys.Type(Key::kSpace);
  EXPECT_TRUE(s.rec.events.empty());
}

TEST(WindowSize, SizesBeyondTheBoundAreLaidOutWithinIt) {
  struct Case {
    long width, height;
    PixelSize want;
  };
  const std::vector<Case> cases{
      {1920, 1080, {1920, 1080}},
      {7680, 4320, {7680, 4320}},
      {1, 1, {1, 1}},
      {0, 500, {0, 500}},
      {-5, 500, {0, 500}},
      {1, 16384, {1, 8192}},
      {16384, 1, {8192, 1}},
      {16384, 16384, {5760, 5760}},
      {8192, 8192, {5760, 5760}},
      {2147483647L, 2147483647L, {5760, 5760}},
  };
  for (const Case& c : cases) {
    PixelSize got = BoundedInnerSize(c.width, c.height);
    EXPECT_EQ(got, c.want) << c.width << "x" << c.height;
    EXPECT_LE(long(got.width) * got.height, kMaxInnerPixels);
  }
  CountingBackend backend;
  Window window(backend, 16384, 16384);
  EXPECT_EQ(window.InnerWidthPx(), 5760);
  window.SetInnerSizePx(100000, 50000);
  EXPECT_LE(long(window.InnerWidthPx()) * window.InnerHeightPx(), kMaxInnerPixels);
  EXPECT_NEAR(double(window.InnerWidthPx()) / window.InnerHeightPx(), 2.0, 0.01)
      << "the shape stays";
}

TEST(ControlArray, NewElementIsAHiddenCopyWithItsOwnIndex) {
  CountingBackend backend;
  Window window(backend, 800, 600);
  ButtonArray array(window, "Q");
  array(0).SetCaption(u"first");
  array(0).SetBackColor({1, 2, 3});
  std::vector<int> clicked;
  array.on_click = [&](int i) { clicked.push_back(i); };
  CommandButton& second = array.Load(1);
  EXPECT_EQ(second.Caption(), u"first");
  EXPECT_EQ(second.BackColor(), (Color{1, 2, 3}));
  EXPECT_FALSE(second.Visible());
  EXPECT_TRUE(array(0).Visible());
  EXPECT_EQ(second.Index(), 1);
  EXPECT_EQ(second.name(), "Q(1)");
  MouseRouter mouse(window);
  second.SetVisible(true);
  mouse.Click(&second, kLeftButton);
  mouse.Click(&array(0), kLeftButton);
  EXPECT_EQ(clicked, (std::vector<int>{1, 0}));
  EXPECT_THROW(array.Load(1), RuntimeError);
  EXPECT_THROW(array(2), RuntimeError);
}

TEST(Timers, EnablingADisabledTimerStartsAnInterval) {
  CountingBackend backend;
  Window window(backend, 800, 600);
  Timer timer(window, "t", 100, false);
  int ticks = 0;
  timer.on_tick = [&] { ++ticks; };
  timer.Tick();
  EXPECT_EQ(ticks, 0) << "a disabled timer sends no ticks";
  timer.SetEnabled(true);
  timer.SetEnabled(true);
  timer.Tick();
  timer.SetEnabled(false);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(backend.timer_changes, (std::vector<bool>{true, false}))
      << "enabling an enabled timer does not restart it";
}

TEST(Coordinates, TwipsUntilTheProgramSetsItsOwn) {
  CountingBackend backend;
  Window window(backend, 1024, 768);
  EXPECT_EQ(window.ScaleWidth(), 1024 * 15);
  EXPECT_EQ(window.ScreenHeightTwips(), 768 * 15);
  Label label(window, "l", false);
  label.Move(1500, 150, 3000, 1500);
  EXPECT_DOUBLE_EQ(label.Rect().left, 100);
  EXPECT_DOUBLE_EQ(label.Rect().height, 100);
  window.SetScaleWidth(100);
  window.SetScaleHeight(100);
  EXPECT_DOUBLE_EQ(label.Left(), 100.0 * 100 / 1024) << "a control stays where it is";
  label.Move(50, 50, 50, 50);
  EXPECT_DOUBLE_EQ(label.Rect().left, 512);
  EXPECT_DOUBLE_EQ(label.Rect().top, 384);
  window.SetInnerSizePx(512, 384);
  EXPECT_DOUBLE_EQ(label.Left(), 100) << "a resize leaves controls at their pixels";
}

TEST(PictureBoxTest, PaintingStaysUntilClearedOrErased) {
  CountingBackend backend;
  Window window(backend, 800, 600);
  PictureBox box(window, "img", false);
  PictureBox buffer(window, "e", true);
  box.Move(0, 0, 300 * 15, 150 * 15);
  auto picture = std::make_shared<platform::Picture>(platform::Picture{640, 480, {}});
  buffer.SetPicture(picture, u"a.jpg");
  EXPECT_EQ(buffer.ScaleWidth(), 640);
  EXPECT_EQ(buffer.ScaleHeight(), 480);
  EXPECT_EQ(box.ScaleWidth(), 300);
  box.PaintPicture(picture, u"a.jpg", {0, 0, 300, 150}, {0, 0, 640, 480});
  box.PaintPicture(picture, u"b.jpg", {0, 0, 300, 150}, {0, 0, 640, 480});
  ASSERT_EQ(box.Paintings().size(), 1u) << "a whole-area paint hides what lay beneath";
  EXPECT_EQ(box.Paintings()[0].source, u"b.jpg");
  box.Cls();
  EXPECT_TRUE(box.Paintings().empty());
  box.PaintPicture(picture, u"a.jpg", {0, 0, 300, 150}, {0, 0, 640, 480});
  box.SetBackColor(kBlack);
  EXPECT_TRUE(box.Paintings().empty()) << "a new back colour erases";
}

}  // namespace
