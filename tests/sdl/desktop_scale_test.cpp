// Text sized by the desktop's scale, and lines set at the font's own line
// height: the DPI read from the X resources' text and the screen's size,
// captions drawn at 96 and 192 dpi, and full pages against the text label.
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cmath>

#include "tests/sdl/sdl_test_support.h"
#include "ui/command_button.h"
#include "ui/headless_backend.h"
#include "ui/label.h"
#include "ui/sdl/desktop_dpi.h"
#include "ui/sdl/painter.h"
#include "ui/sdl/x11_cover.h"
#include "ui/window.h"

namespace yomite::ui::sdl {
namespace {

TEST(DesktopDpi, XftDpiIsReadFromTheResourcesWithTheLastSettingWinning) {
  EXPECT_EQ(XftDpi("Xft.dpi:\t192\n"), 192.0);
  EXPECT_EQ(XftDpi("Xft.antialias:\t1\nXft.dpi: 144\nXft.hinting:\t1\n"), 144.0);
  EXPECT_EQ(XftDpi("Xft.dpi:\t96\nXft.dpi:\t120.5"), 120.5) << "no final newline, last wins";
  EXPECT_EQ(XftDpi("  Xft.dpi :  168  \r\n"), 168.0);
  // Other keys, other resources' dpi, broken or absurd values: not set.
  EXPECT_EQ(XftDpi(""), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpiScale:\t2\nXterm.dpi:\t192\nXft.rgba:\trgb\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\tlarge\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\t192x\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\t0\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\t-96\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\t96000\n"), std::nullopt);
  // A broken later line does not undo an earlier good one.
  EXPECT_EQ(XftDpi("Xft.dpi:\t192\nXft.dpi:\tnone\n"), 192.0);
}

TEST(DesktopDpi, TheScreensDpiComesFromItsSizeInMillimetres) {
  ASSERT_TRUE(ScreenDpi(2160, 549));
  EXPECT_NEAR(*ScreenDpi(2160, 549), 99.93, 0.01);  // Xvfb's default screen
  EXPECT_NEAR(*ScreenDpi(2160, 286), 191.8, 0.1);
  EXPECT_EQ(ScreenDpi(1080, 0), std::nullopt) << "size unknown";
  EXPECT_EQ(ScreenDpi(0, 300), std::nullopt);
  EXPECT_EQ(ScreenDpi(2160, 5), std::nullopt) << "a size no screen has";
}

TEST(DisplayName, TheScreenItNamesIsTheNumberAfterTheLastColonsDot) {
  const struct {
    const char* name;
    int screen;
  } cases[] = {
      {":0", 0},
      {":0.1", 1},
      {"localhost:10.1", 1},
      {":5.12", 12},
      {"host.example:0", 0},
      {"host.example:0.2", 2},
      {"[::1]:3.1", 1},
      {"", 0},
      {":0.", 0},
      {":0.x", 0},
      {":0.1x", 0},
      {":0.-1", 0},
      {"unix:0.3", 3},
      {"/tmp/.X11-unix/X0", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScreenOfDisplayName(c.name), c.screen) << c.name;
  }
}

TEST(DesktopDpi, PointsBecomePixelsAtTheDesktopsDpi) {
  EXPECT_EQ(PointsToPixels(9, 96), 12);
  EXPECT_EQ(PointsToPixels(9, 192), 24);
  EXPECT_EQ(PointsToPixels(9, 120), 15);
  EXPECT_EQ(PointsToPixels(21, 192), 56);
  EXPECT_EQ(PointsToPixels(9, 96, 2.0), 24) << "and the display's scale on top";
  EXPECT_EQ(PointsToPixels(0.1, 96), 1) << "never below one pixel";
}

class ScaledText : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    fonts_ = testing::OpenUiFont();
    ASSERT_TRUE(fonts_) << "no Japanese font: run scripts/setup.sh";
    window_.SetBackColor(kBlack);
  }
  void TearDown() override {
    fonts_.reset();
    TTF_Quit();
  }

  struct InkBox {
    int top = -1, bottom = -1;
    int height() const { return top < 0 ? 0 : bottom - top + 1; }
  };
  // The rows with dark ink inside a rectangle of the canvas.
  static InkBox DarkRows(const testing::Canvas& canvas, const SDL_Rect& r) {
    InkBox box;
    for (int y = r.y; y < r.y + r.h; ++y) {
      for (int x = r.x; x < r.x + r.w; ++x) {
        uint32_t c = canvas.At(x, y);
        if (testing::Red(c) + testing::Green(c) + testing::Blue(c) < 200) {
          if (box.top < 0) box.top = y;
          box.bottom = y;
          break;
        }
      }
    }
    return box;
  }

  // The rows of ink of an End button's caption in the default font, the
  // button placed at (10, 10) in the given size, painted at the given DPI.
  InkBox EndCaptionInk(int width, int height, double dpi) {
    CommandButton button(window_, "EndCom");
    testing::PlaceInPixels(button, 10, 10, width, height);
    button.SetBackColor({100, 100, 255});
    button.SetCaption(u"End");
    testing::Canvas canvas(width + 40, height + 40);
    Painter painter(canvas.renderer(), fonts_.get());
    painter.SetDpi(dpi);
    painter.PaintWindow(window_, buffers_, nullptr);
    const InkBox ink = DarkRows(canvas, {11, 11, width - 2, height - 2});
    std::printf("End caption in %dx%d at %.0f dpi: rows %d to %d\n", width, height, dpi, ink.top,
                ink.bottom);
    return ink;
  }

  HeadlessBackend backend_;
  Window window_{backend_, 800, 600};
  PictureBuffers buffers_;
  std::unique_ptr<FontCache> fonts_;
};

TEST_F(ScaledText, TheEndCaptionInTheDefaultFontIsTwiceAsTallAt192Dpi) {
  // The End button as a 4K screen lays it out: 10 by 3 units of 100.
  const InkBox at96 = EndCaptionInk(384, 65, 96);
  const InkBox at192 = EndCaptionInk(384, 65, 192);
  ASSERT_GT(at96.height(), 4);
  EXPECT_NEAR(at192.height(), 2 * at96.height(), 2);
}

TEST_F(ScaledText, TheEndCaptionShrinksToFitASmallButtonRatherThanBeingCut) {
  // The End button as an 800x600 screen lays it out, at a doubled scale:
  // the default size is taller than the button. The ink must keep clear of
  // the face's edges (rows 11 to 26), where a cut caption would end, and
  // stay at least as tall as at 96 dpi.
  const InkBox at96 = EndCaptionInk(80, 18, 96);
  const InkBox at192 = EndCaptionInk(80, 18, 192);
  for (const InkBox& ink : {at96, at192}) {
    ASSERT_GT(ink.height(), 4);
    EXPECT_GT(ink.top, 12);
    EXPECT_LT(ink.bottom, 25);
  }
  EXPECT_GE(at192.height(), at96.height());
}

TEST_F(ScaledText, LinesAreSetAtTheFontsLineHeightWithRoomForEveryGlyph) {
  for (int points : {9, 15, 21, 43}) {
    SCOPED_TRACE(points);
    const int px = PointsToPixels(points, 96);
    const int pitch = fonts_->LineHeight(px);
    TTF_Font* font = fonts_->Get(px);
    ASSERT_TRUE(font);
    // Never tighter than the font's own ascent plus descent.
    EXPECT_GE(pitch, TTF_FontAscent(font) - TTF_FontDescent(font));
    EXPECT_LE(pitch, px * 3 / 2) << "no more than the font asks for";
    // Letters that reach far up and down stay within one line's band.
    testing::Canvas canvas(800, 8 * px);
    Painter painter(canvas.renderer(), fonts_.get());
    Window window(backend_, 800, 8 * px);
    window.SetBackColor(kWhite);
    Label lbl(window, "Lbl", true);
    testing::PlaceInPixels(lbl, 0, px, 800, 6 * px);
    lbl.SetForeColor(kBlack);
    lbl.SetFontSize(static_cast<int16_t>(points));
    lbl.SetCaption(u"Ágjpqy|漢字ぎゃ「」");
    painter.PaintWindow(window, buffers_, nullptr);
    const InkBox ink = DarkRows(canvas, {0, 0, 800, 8 * px});
    ASSERT_GT(ink.height(), 0);
    EXPECT_GE(ink.top, px);
    EXPECT_LT(ink.bottom, px + pitch);
  }
}

TEST_F(ScaledText, AFullPageFitsInTheTextLabelOnEveryScreen) {
  // A page holds up to eleven lines, in the story's text size (the
  // screen's height in twips / 750 points) in a label 48 % of the window's
  // height: at the font's line height they fit with room to spare for
  // lines that wrap, at 96 dpi and at a doubled desktop scale.
  for (double dpi : {96.0, 120.0, 192.0}) {
    for (int height : {480, 600, 768, 1080, 1440, 2160}) {
      SCOPED_TRACE(std::to_string(height) + " at " + std::to_string(dpi));
      const double twips_per_pixel = 1440.0 / dpi;
      const int points = static_cast<int>(height * twips_per_pixel / 750.0);
      const int px = PointsToPixels(points, dpi);
      const int pitch = fonts_->LineHeight(px);
      EXPECT_LE(11 * pitch, static_cast<int>(0.48 * height * 0.8));
      EXPECT_GT(pitch, px) << "the Japanese font asks for more than its size";
    }
  }
}

}  // namespace
}  // namespace yomite::ui::sdl
