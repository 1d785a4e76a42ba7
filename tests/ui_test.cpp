// The window model: mouse delivery, stacking, control arrays, timers and
// the coordinate system.
#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "ui/command_button.h"
#include "ui/headless_backend.h"
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
