// Captions as the window draws them, checked pixel by pixel: where the
// lines go, where they wrap, what is cut off, what lies over what.
#include <SDL_ttf.h>
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <set>
#include <string>

#include "platform/cp932.h"
#include "tests/sdl/sdl_test_support.h"
#include "ui/command_button.h"
#include "ui/headless_backend.h"
#include "ui/label.h"
#include "ui/sdl/painter.h"
#include "ui/sdl/text_wrap.h"
#include "ui/window.h"

namespace yomite::ui::sdl {
namespace {

using testing::Canvas;
using testing::PlaceInPixels;

constexpr int kPoints = 15;  // 20 pixels at 96 dpi
constexpr int kPx = 20;

class TextDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    fonts_ = testing::OpenUiFont();
    ASSERT_TRUE(fonts_) << "no Japanese font: run scripts/setup.sh";
    ASSERT_TRUE(fonts_->Get(kPx)) << fonts_->file().path;
    painter_ = std::make_unique<Painter>(canvas_.renderer(), fonts_.get());
    skip_ = fonts_->LineHeight(kPx);
    window_.SetBackColor(kBlack);
  }
  void TearDown() override {
    painter_.reset();
    fonts_.reset();
    TTF_Quit();
  }

  void Draw() { painter_->PaintWindow(window_, buffers_, nullptr); }

  // Pixels of the text (brighter than mid-grey) in [x0, x1) x [y0, y1).
  int Ink(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(y1, canvas_.height()); ++y) {
      for (int x = std::max(0, x0); x < std::min(x1, canvas_.width()); ++x) {
        uint32_t c = canvas_.At(x, y);
        if (testing::Red(c) + testing::Green(c) + testing::Blue(c) > 3 * 100) ++n;
      }
    }
    return n;
  }
  // Ink in the band of line k of a label whose top is top.
  int InkOnLine(int k, int top, int x0 = 0, int x1 = 640) const {
    return Ink(x0, top + k * skip_, x1, top + (k + 1) * skip_);
  }
  // The leftmost and rightmost columns with ink in a band, or -1.
  std::pair<int, int> InkColumns(int y0, int y1) const {
    int left = -1, right = -1;
    for (int x = 0; x < canvas_.width(); ++x) {
      if (Ink(x, y0, x + 1, y1) > 0) {
        if (left < 0) left = x;
        right = x;
      }
    }
    return {left, right};
  }

  HeadlessBackend backend_;
  Window window_{backend_, 640, 480};
  Canvas canvas_{640, 480};
  PictureBuffers buffers_;
  std::unique_ptr<FontCache> fonts_;
  std::unique_ptr<Painter> painter_;
  int skip_ = 0;
};

Label& WhiteLabel(Label& label, int x, int y, int w, int h, TextView caption) {
  PlaceInPixels(label, x, y, w, h);
  label.SetForeColor(kWhite);
  label.SetFontSize(kPoints);
  label.SetCaption(Text(caption));
  return label;
}

TEST_F(TextDrawingTest, ALongLineWrapsAtTheLabelsWidth) {
  // Five full-width characters of 20 pixels fit in 110 pixels, six do not:
  // twelve characters make lines of 5, 5 and 2.
  Label lbl(window_, "Lbl", true);
  WhiteLabel(lbl, 10, 10, 110, 300, u"あいうえおかきくけこさし");
  Draw();
  EXPECT_GT(InkOnLine(0, 10), 0);
  EXPECT_GT(InkOnLine(1, 10), 0);
  EXPECT_GT(InkOnLine(2, 10), 0);
  EXPECT_EQ(InkOnLine(3, 10), 0);
  // The fifth character ends the first two lines; the third line is short.
  EXPECT_GT(InkOnLine(0, 10, 90, 110), 0);
  EXPECT_GT(InkOnLine(1, 10, 90, 110), 0);
  EXPECT_EQ(InkOnLine(2, 10, 52, 640), 0);
  // Nothing is drawn beside the label.
  EXPECT_EQ(Ink(120, 0, 640, 480), 0);
  EXPECT_EQ(Ink(0, 0, 10, 480), 0);
}

TEST_F(TextDrawingTest, LinesThatDoNotFitBelowAreCutOff) {
  // Room for one line and half of the next; the third is not drawn at all.
  int height = skip_ + skip_ / 2;
  Label lbl(window_, "Lbl", true);
  WhiteLabel(lbl, 10, 10, 300, height, u"あいう\r\nかきく\r\nさしす");
  Draw();
  EXPECT_GT(InkOnLine(0, 10), 0);
  EXPECT_GT(Ink(0, 10 + skip_, 640, 10 + height), 0);  // the top half of line 2
  EXPECT_EQ(Ink(0, 10 + height, 640, 480), 0);
}

TEST_F(TextDrawingTest, CrLfStartsANewLineAndIsNotDrawn) {
  Label lbl(window_, "Lbl", true);
  WhiteLabel(lbl, 10, 10, 400, 300, u"あ\r\nい\r\n");
  Draw();
  // One character on each of the first two lines, nothing after them.
  EXPECT_GT(InkOnLine(0, 10, 10, 30), 0);
  EXPECT_EQ(InkOnLine(0, 10, 32, 640), 0);
  EXPECT_GT(InkOnLine(1, 10, 10, 30), 0);
  EXPECT_EQ(InkOnLine(1, 10, 32, 640), 0);
  EXPECT_EQ(Ink(0, 10 + 2 * skip_, 640, 480), 0);
}

TEST_F(TextDrawingTest, TheTransparentTextLabelIsDrawnOverTheOpaqueOneBeneathIt) {
  // As in the window: ClickCom is held before Lbl, so it lies under it.
  Label click_com(window_, "ClickCom", /*transparent=*/false);
  Label lbl(window_, "Lbl", /*transparent=*/true);
  PlaceInPixels(click_com, 10, 10, 200, 60);
  click_com.SetBackColor({0, 0, 200});
  click_com.SetCaption(u"");
  WhiteLabel(lbl, 10, 10, 400, 200, u"あいうえおかきくけこさしすせ");  // 280 pixels
  Draw();
  // The blue box is there where no text is ...
  EXPECT_TRUE(testing::Near(canvas_.At(200, 65), {0, 0, 200}));
  // ... white text lies on top of it inside the box, and on black beyond it.
  int white_on_blue = 0;
  for (int y = 10; y < 10 + skip_; ++y) {
    for (int x = 10; x < 210; ++x) {
      if (testing::Near(canvas_.At(x, y), kWhite, 30)) ++white_on_blue;
    }
  }
  EXPECT_GT(white_on_blue, 20);
  EXPECT_GT(InkOnLine(0, 10, 210, 640), 0);
  EXPECT_TRUE(testing::Near(canvas_.At(300, 150), kBlack));
}

TEST_F(TextDrawingTest, ADisabledLabelIsDrawnDimmed) {
  Label lbl(window_, "Lbl", true);
  WhiteLabel(lbl, 10, 10, 300, 100, u"あいうえお");
  lbl.SetEnabled(false);
  Draw();
  int brightest = 0, inked = 0;
  for (int y = 10; y < 10 + skip_; ++y) {
    for (int x = 10; x < 120; ++x) {
      int r = testing::Red(canvas_.At(x, y));
      brightest = std::max(brightest, r);
      if (r > 60) ++inked;
    }
  }
  EXPECT_GT(inked, 20);       // still shown ...
  EXPECT_LT(brightest, 160);  // ... in grey, not in white
}

TEST_F(TextDrawingTest, TheIndicatorsCaptionIsCentredOthersStartAtTheLeft) {
  Label click_me(window_, "ClickMe", false);
  Label plain(window_, "Plain", false);
  for (Label* l : {&click_me, &plain}) {
    l->SetBackColor(kBlack);
    l->SetCaption(u"ClickMe");
  }
  WhiteLabel(click_me, 100, 10, 300, 40, u"ClickMe");
  WhiteLabel(plain, 100, 100, 300, 40, u"ClickMe");
  painter_->CentreCaption(click_me);
  Draw();
  auto [left, right] = InkColumns(10, 50);
  ASSERT_GE(left, 0);
  EXPECT_NEAR((left + right) / 2.0, 250, 3);
  auto [plain_left, plain_right] = InkColumns(100, 140);
  EXPECT_LE(plain_left, 103);
  EXPECT_EQ(plain_right - plain_left, right - left);
}

TEST_F(TextDrawingTest, ACharacterWithoutAGlyphIsShownAsTheGetaMark) {
  Label a(window_, "A", true);
  Label b(window_, "B", true);
  WhiteLabel(a, 10, 10, 300, 40, u"\uFFFD");
  WhiteLabel(b, 10, 100, 300, 40, u"\u3013");
  Draw();
  EXPECT_GT(Ink(0, 10, 640, 50), 0);
  EXPECT_EQ(Ink(0, 10, 640, 50), Ink(0, 100, 640, 140));
}

TEST_F(TextDrawingTest, ButtonsAreFilledWithTheirBackColourWithACentredCaption) {
  CommandButton button(window_, "EndCom");
  PlaceInPixels(button, 100, 100, 100, 30);
  button.SetBackColor({100, 100, 255});
  button.SetCaption(u"End");
  Draw();
  EXPECT_TRUE(testing::Near(canvas_.At(105, 105), {100, 100, 255}, 0));
  EXPECT_TRUE(testing::Near(canvas_.At(100, 115), {64, 64, 64}, 0));  // the edge
  // The caption, in black: its columns and rows are centred on the face.
  int left = 1000, right = -1, top = 1000, bottom = -1;
  for (int y = 101; y < 129; ++y) {
    for (int x = 101; x < 199; ++x) {
      uint32_t c = canvas_.At(x, y);
      if (testing::Red(c) + testing::Green(c) + testing::Blue(c) < 200) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
  }
  ASSERT_GE(right, 0);
  EXPECT_NEAR((left + right) / 2.0, 150, 3);
  EXPECT_NEAR((top + bottom) / 2.0, 115, 4);
  // Held down, the face is darker.
  painter_->PaintWindow(window_, buffers_, &button);
  EXPECT_TRUE(testing::Near(canvas_.At(105, 105), {85, 85, 216}, 2));
}

// The printable single bytes of code page 932 (the underscore among them)
// and its double-byte characters from the rows of JIS X 0208 (leads 81-9F
// and E0-EA), decoded.
std::vector<char16_t> JisCharacters() {
  std::vector<char16_t> out;
  for (char b = 0x21; b < 0x7F; ++b) out.push_back(cp932::Decode(std::string_view(&b, 1))[0]);
  auto add_lead = [&out](int lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const char bytes[2] = {char(lead), char(trail)};
      Text c = cp932::Decode(std::string_view(bytes, 2));
      if (c.size() != 1) continue;
      if (c[0] == cp932::kReplacement && !(lead == 0x81 && trail == 0xAC)) continue;
      out.push_back(c[0]);
    }
  };
  for (int lead = 0x81; lead <= 0x9F; ++lead) add_lead(lead);
  for (int lead = 0xE0; lead <= 0xEA; ++lead) add_lead(lead);
  return out;
}

// The pixel sizes the window's text takes on screens of these heights at
// 96 dpi: the text page, the small size of the buttons and indicator, the
// default size, and the message box's.
std::set<int> LayoutPixelSizes() {
  std::set<int> sizes{PointsToPixels(9, 96)};
  for (int height : {600, 720, 768, 1080, 2160}) {
    const int t = height / 50;
    sizes.insert(PointsToPixels(t, 96));
    sizes.insert(PointsToPixels(t * 4 / 5, 96));
    sizes.insert(std::max(PointsToPixels(9, 96), height / 48));
  }
  return sizes;
}

TEST_F(TextDrawingTest, EveryJisCharacterKeepsItsInkAtEverySizeTheLayoutUses) {
  // Each glyph drawn in a label is compared with FreeType's unhinted
  // rendering of it: hinting or a clip that drops a stroke (an underscore
  // snapped to nothing, a descender cut at the line's box) loses most of
  // a glyph's ink, where hinting that only sharpens it keeps about all.
  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Face(library, fonts_->file().path.c_str(), fonts_->file().index, &face), 0);
  const std::vector<char16_t> all = JisCharacters();
  ASSERT_GT(all.size(), 6900u);  // 94 single bytes, JIS X 0208's 6,879 and NEC's row 13

  Canvas canvas(1600, 1200);
  Painter painter(canvas.renderer(), fonts_.get());
  painter.SetDpi(72);  // a point is a pixel
  HeadlessBackend backend;
  Window window(backend, canvas.width(), canvas.height());
  window.SetBackColor(kBlack);
  Label label(window, "Lbl", true);
  PlaceInPixels(label, 10, 10, canvas.width() - 20, canvas.height() - 20);
  label.SetForeColor(kWhite);
  long compared = 0;
  std::vector<std::string> lost;
  for (int px : LayoutPixelSizes()) {
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, px), 0);
    TTF_Font* font = fonts_->Get(px);
    ASSERT_TRUE(font);
    std::vector<char16_t> chars;
    for (char16_t c : all) {
      if (TTF_GlyphIsProvided(font, c)) chars.push_back(c);
    }
    const int skip = fonts_->LineHeight(px);
    const int per_line = (canvas.width() - 20) / (2 * px) - 1;
    const int lines_per_page = (canvas.height() - 20) / (2 * skip) - 1;
    for (size_t first = 0; first < chars.size(); first += size_t(per_line) * lines_per_page) {
      // Each character followed by an ideographic space, lines with an
      // empty line between them: no glyph's ink reaches another's cell.
      Text caption;
      struct Cell {
        char16_t c;
        int x0, x1, y0, y1;
      };
      std::vector<Cell> cells;
      for (int line = 0; line < lines_per_page; ++line) {
        Text text;
        const int y = 10 + 2 * line * skip;
        for (int k = 0; k < per_line; ++k) {
          const size_t i = first + size_t(line) * per_line + k;
          if (i >= chars.size()) break;
          const int x = 10 + TextWidth(text, font);
          text += chars[i];
          const int right = 10 + TextWidth(text, font);
          text += u'\u3000';
          cells.push_back({chars[i], x - px / 4, right + px / 4, y - skip / 4, y + skip * 3 / 2});
        }
        caption += text + u"\r\n\r\n";
      }
      label.SetFontSize(px);
      label.SetCaption(caption);
      painter.PaintWindow(window, buffers_, nullptr);
      painter.DropTextures();  // each page's lines are drawn once
      for (const Cell& cell : cells) {
        long ours = 0;
        for (int y = std::max(0, cell.y0); y < std::min(cell.y1, canvas.height()); ++y) {
          for (int x = std::max(0, cell.x0); x < std::min(cell.x1, canvas.width()); ++x) {
            ours += testing::Red(canvas.At(x, y));
          }
        }
        ASSERT_EQ(FT_Load_Char(face, cell.c, FT_LOAD_NO_HINTING | FT_LOAD_RENDER), 0);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        long reference = 0;
        for (unsigned y = 0; y < bitmap.rows; ++y) {
          for (unsigned x = 0; x < bitmap.width; ++x)
            reference += bitmap.buffer[y * bitmap.pitch + x];
        }
        if (reference == 0) continue;  // a blank
        ++compared;
        if (ours * 10 < reference * 6) {
          char what[64];
          std::snprintf(what, sizeof what, "U+%04X at %d px: %ld of %ld", unsigned(cell.c), px,
                        ours, reference);
          lost.push_back(what);
        }
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  std::printf("glyphs compared (characters x sizes): %ld; lost ink: %zu\n", compared, lost.size());
  EXPECT_GT(compared, 6000L * long(LayoutPixelSizes().size()));
  std::string first_lost;
  for (size_t i = 0; i < lost.size() && i < 20; ++i) first_lost += lost[i] + "\n";
  EXPECT_TRUE(lost.empty()) << lost.size() << " glyphs lost ink, among them:\n" << first_lost;
}

TEST_F(TextDrawingTest, TheFocusedButtonBearsItsMarkOnceTheKeyboardWasUsed) {
  CommandButton end(window_, "EndCom");
  CommandButton other(window_, "Other");
  PlaceInPixels(end, 100, 100, 100, 30);
  PlaceInPixels(other, 100, 200, 100, 30);
  for (CommandButton* b : {&end, &other}) b->SetBackColor({100, 100, 255});
  window_.SetTabOrder({&end, &other});
  window_.FocusFirst();
  // The mark's dots lie just inside the edge, where the face is plain.
  auto marked = [&](int top) {
    int dark = 0;
    for (int x = 103; x < 197; ++x) {
      if (testing::Near(canvas_.At(x, top + 3), kBlack, 40)) ++dark;
    }
    return dark;
  };
  Draw();
  EXPECT_EQ(marked(100), 0) << "no mark before a key was pressed";
  window_.ShowFocusCues();
  Draw();
  EXPECT_GT(marked(100), 30);
  EXPECT_LT(marked(100), 60) << "dotted, every other pixel";
  EXPECT_EQ(marked(200), 0);
  window_.MoveFocus(false);
  Draw();
  EXPECT_EQ(marked(100), 0);
  EXPECT_GT(marked(200), 30);
}

TEST(MessageBoxText, IsCutToAReadableLengthWithAnEllipsis) {
  const Text long_name = u"File not found: " + Text(100000, u'x') + u".dat";
  Text many_lines;
  for (int i = 0; i < 40; ++i) many_lines += u"line\r\n";
  Text pairs;
  for (int i = 0; i < 400; ++i) pairs += u"\U0001F600";  // two units each
  struct Case {
    Text text;
    size_t max_units;
    int max_lines;
    bool cut;
  };
  const std::vector<Case> cases{
      {u"Run-time error 53: File not found: 0_2.dat", 100, 1, false},
      {long_name, kMaxBoxTextChars + 1, 1, true},
      {many_lines, 200, kMaxBoxTextLines, true},
      {pairs, kMaxBoxTextChars + 1, 1, true},
  };
  for (const Case& c : cases) {
    const Text shown = ReadableBoxText(c.text);
    EXPECT_LE(shown.size(), c.max_units);
    int lines = 1;
    for (char16_t u : shown) lines += u == u'\n';
    EXPECT_LE(lines, c.max_lines);
    EXPECT_EQ(shown.back() == u'\u2026', c.cut);
    if (!c.cut) {
      EXPECT_EQ(shown, c.text);
    }
    // Never half a surrogate pair before the ellipsis.
    if (c.cut && shown.size() >= 2) {
      const char16_t before = shown[shown.size() - 2];
      EXPECT_FALSE(before >= 0xD800 && before <= 0xDBFF);
    }
  }
}

TEST(MessageBoxText, ItsOkButtonStaysInsideEveryWindow) {
  ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
  std::unique_ptr<FontCache> fonts = testing::OpenUiFont();
  ASSERT_TRUE(fonts);
  Canvas canvas(16, 16);
  Painter painter(canvas.renderer(), fonts.get());
  const Text error = u"Run-time error 53: File not found: " + Text(300, u'x') + u".dat";
  for (auto [width, height] : std::vector<std::pair<int, int>>{
           {1920, 1080}, {720, 1280}, {320, 240}, {200, 150}, {100, 100}, {40, 30}}) {
    MessageBoxLayout box = painter.LayoutMessageBox(error, u"yomite", width, height);
    const SDL_Rect& ok = box.ok;
    const std::string where = std::to_string(width) + "x" + std::to_string(height) + ": OK at " +
                              std::to_string(ok.x) + "," + std::to_string(ok.y);
    if (width >= 100) {
      EXPECT_TRUE(ok.x >= 0 && ok.y >= 0 && ok.x + ok.w <= width && ok.y + ok.h <= height) << where;
    } else {
      // Larger than the window: its middle, where a click takes it, is in it.
      const int cx = ok.x + ok.w / 2, cy = ok.y + ok.h / 2;
      EXPECT_TRUE(cx >= 0 && cy >= 0 && cx < width && cy < height) << where;
    }
    if (width >= 320) {
      EXPECT_TRUE(box.frame.x >= 0 && box.frame.y >= 0 && box.frame.x + box.frame.w <= width &&
                  box.frame.y + box.frame.h <= height)
          << width << "x" << height << ": the whole box fits";
    }
  }
  fonts.reset();
  TTF_Quit();
}

TEST(MessageBoxText, TheLastLineKeepsItsUnderscoresAtEveryScreenHeight) {
  // The error box of a script named 0_2.dat: its text area ends with that
  // line, and must reach as low as the underscore's ink.
  ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
  std::unique_ptr<FontCache> fonts = testing::OpenUiFont();
  ASSERT_TRUE(fonts);
  for (int height : {600, 720, 768, 1080, 2160}) {
    const int width = height * 16 / 9;
    auto inked_pixels = [&](TextView text) {
      Canvas canvas(width, height);
      Painter painter(canvas.renderer(), fonts.get());
      MessageBoxLayout box = painter.LayoutMessageBox(text, u"yomite", width, height);
      painter.PaintMessageBox(box, false);
      int n = 0;
      const SDL_Rect& f = box.frame;
      for (int y = f.y; y < f.y + f.h; ++y) {
        for (int x = f.x; x < f.x + f.w; ++x) {
          // Anything darker than the face (240): a thin underscore is grey.
          if (testing::Red(canvas.At(x, y)) < 200) ++n;
        }
      }
      return n;
    };
    const int px = std::max(PointsToPixels(9, 96), height / 48);
    EXPECT_GE(inked_pixels(u"Run-time error 53: File not found: 0_2.dat"),
              inked_pixels(u"Run-time error 53: File not found: 0 2.dat") + px / 3)
        << "at a screen height of " << height;
  }
  fonts.reset();
  TTF_Quit();
}

}  // namespace
}  // namespace yomite::ui::sdl
