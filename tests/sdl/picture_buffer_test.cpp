// What is painted on the picture area: stretched over exactly its
// rectangle, erased to its back colour, kept while the window is redrawn
// and while a message box covers it.
#include <gtest/gtest.h>

#include "tests/sdl/backend_fixture.h"
#include "ui/label.h"
#include "ui/picture_box.h"

namespace yomite::ui::sdl {
namespace {

using testing::Near;

constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// Red and green above, blue and white below.
platform::PicturePtr FourColours() {
  auto p = std::make_shared<platform::Picture>();
  p->width = 2;
  p->height = 2;
  p->pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return p;
}

class PictureAreaTest : public testing::BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (HasFatalFailure()) return;
    img_ = std::make_unique<PictureBox>(*window_, "Img", false);
    testing::PlaceInPixels(*img_, kLeft, kTop, 300, 150);
    img_->SetBackColor(kBlack);
    backend_->Attach(*window_);
  }
  void TearDown() override {
    img_.reset();
    BackendTest::TearDown();
  }
  void PaintFourColours() {
    img_->PaintPicture(FourColours(), u"four.jpg", PixelRect{0, 0, 300, 150},
                       PixelRect{0, 0, 2, 2});
  }
  // The four quadrants, away from the blend in the middle.
  void ExpectFourColours(const std::vector<uint32_t>& px) {
    EXPECT_TRUE(Near(At(px, kLeft + 10, kTop + 10), kRed));
    EXPECT_TRUE(Near(At(px, kLeft + 290, kTop + 10), kGreen));
    EXPECT_TRUE(Near(At(px, kLeft + 10, kTop + 140), kBlue));
    EXPECT_TRUE(Near(At(px, kLeft + 290, kTop + 140), kWhite));
  }

  // Under the middle of the window, where a message box goes.
  static constexpr int kLeft = 170, kTop = 150;
  std::unique_ptr<PictureBox> img_;
};

TEST_F(PictureAreaTest, APictureIsStretchedOverExactlyTheAreasRectangle) {
  PaintFourColours();
  backend_->DrawNow();
  std::vector<uint32_t> px = ReadPixels();
  ExpectFourColours(px);
  // The edges of the area: picture inside, the black window just outside.
  EXPECT_TRUE(Near(At(px, kLeft, kTop), kRed));
  EXPECT_TRUE(Near(At(px, kLeft + 299, kTop + 149), kWhite));
  EXPECT_TRUE(Near(At(px, kLeft - 1, kTop + 10), kBlack, 0));
  EXPECT_TRUE(Near(At(px, kLeft + 10, kTop - 1), kBlack, 0));
  EXPECT_TRUE(Near(At(px, kLeft + 10, kTop + 150), kBlack, 0));
  // Between the quadrants the colours blend: red and green meet at the top.
  uint32_t top_middle = At(px, kLeft + 150, kTop + 10);
  EXPECT_GT(testing::Red(top_middle), 60);
  EXPECT_GT(testing::Green(top_middle), 60);
  // The buffer holds the same as the screen, in the box's own pixels.
  PictureBuffer& buffer = backend_->picture_buffers().For(*img_);
  ASSERT_EQ(buffer.width(), 300);
  ASSERT_EQ(buffer.height(), 150);
  EXPECT_EQ(buffer.At(10, 10), At(px, kLeft + 10, kTop + 10));
}

TEST_F(PictureAreaTest, ClearingAndANewBackColourErase) {
  PaintFourColours();
  img_->Cls();
  backend_->DrawNow();
  std::vector<uint32_t> px = ReadPixels();
  EXPECT_TRUE(Near(At(px, kLeft + 10, kTop + 10), kBlack, 0));
  EXPECT_TRUE(Near(At(px, kLeft + 290, kTop + 140), kBlack, 0));

  PaintFourColours();
  img_->SetBackColor({0, 0, 128});
  backend_->DrawNow();
  px = ReadPixels();
  EXPECT_TRUE(Near(At(px, kLeft + 10, kTop + 10), {0, 0, 128}, 0));
  EXPECT_TRUE(Near(At(px, kLeft + 290, kTop + 140), {0, 0, 128}, 0));
}

TEST_F(PictureAreaTest, APaintingSurvivesRedrawsOfTheWindow) {
  PaintFourColours();
  backend_->DrawNow();
  Label lbl(*window_, "Lbl", true);
  testing::PlaceInPixels(lbl, 10, 320, 600, 100);
  lbl.SetForeColor(kWhite);
  lbl.SetBackColor({255, 0, 0});  // not painted: the label is transparent
  lbl.SetCaption(u"一行目");
  backend_->DrawNow();
  lbl.SetCaption(u"二行目");
  backend_->DrawNow();
  std::vector<uint32_t> px = ReadPixels();
  ExpectFourColours(px);
  EXPECT_TRUE(Near(At(px, 300, 400), kBlack, 0));  // beside the text, under the label
}

TEST_F(PictureAreaTest, APaintingSurvivesAMessageBoxOverIt) {
  PaintFourColours();
  std::vector<uint32_t> under_box;
  SDL_Rect box{};
  backend_->on_frame_presented = [&] {
    if (!backend_->shown_box() || !under_box.empty()) return;
    under_box = ReadPixels();
    box = backend_->shown_box()->frame;
    PushKey(SDLK_RETURN);
  };
  window_->MessageBox(u"ミモザ\r\n\r\n三行目", u"ミモザ２");
  ASSERT_FALSE(under_box.empty());
  // While it is open the box covers the middle of the area, and the
  // picture goes on being drawn around it.
  SDL_Point middle{kLeft + 150, kTop + 75};
  ASSERT_TRUE(SDL_PointInRect(&middle, &box));
  for (SDL_Point corner : {SDL_Point{kLeft + 10, kTop + 10}, SDL_Point{kLeft + 290, kTop + 140}}) {
    ASSERT_FALSE(SDL_PointInRect(&corner, &box));
  }
  EXPECT_TRUE(Near(At(under_box, kLeft + 10, kTop + 10), kRed));
  EXPECT_TRUE(Near(At(under_box, kLeft + 290, kTop + 140), kWhite));
  // ... and once it is closed the whole picture is there again.
  backend_->DrawNow();
  ExpectFourColours(ReadPixels());
}

}  // namespace
}  // namespace yomite::ui::sdl
