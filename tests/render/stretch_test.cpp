// Stretching pictures over rectangles of other sizes.
#include "platform/render/stretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using yomite::platform::Picture;
using yomite::render::StretchPicture;
using yomite::render::StretchPixels;

namespace {

int Channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }

Picture Make(int width, int height, uint32_t (*colour)(int x, int y)) {
  Picture p{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p.pixels.push_back(colour(x, y));
  }
  return p;
}

uint32_t At(const Picture& p, int x, int y) {
  return p.pixels.at(static_cast<size_t>(y) * p.width + x);
}

double Mean(const Picture& p, int shift) {
  double sum = 0;
  for (uint32_t px : p.pixels) sum += Channel(px, shift);
  return sum / static_cast<double>(p.pixels.size());
}

Picture Noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Picture p{width, height, {}};
  for (int i = 0; i < width * height; ++i) p.pixels.push_back(random() & 0xFFFFFF);
  return p;
}

TEST(Stretch, SameSizeIsAnExactCopy) {
  Picture src = Noise(37, 23, 1);
  Picture out = StretchPicture(src, 37, 23);
  EXPECT_EQ(out.pixels, src.pixels);
  // A row one pixel high stretched downwards is repeated exactly.
  Picture row = Noise(50, 1, 2);
  Picture taller = StretchPicture(row, 50, 9);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 50; ++x) ASSERT_EQ(At(taller, x, y), At(row, x, 0));
  }
}

TEST(Stretch, UniformColourStaysExactAtAnyScale) {
  // Any error in the weights (not adding up to one, or a channel spilling
  // into the next) changes this colour.
  const uint32_t colour = 0xFF01FE;
  const std::pair<int, int> sizes[] = {{1, 1}, {3, 7}, {17, 13}, {640, 480}, {1000, 3}, {2, 999}};
  for (auto [sw, sh] : sizes) {
    Picture src{sw, sh, std::vector<uint32_t>(static_cast<size_t>(sw) * sh, colour)};
    for (auto [dw, dh] : sizes) {
      Picture out = StretchPicture(src, dw, dh);
      ASSERT_EQ(out.pixels.size(), static_cast<size_t>(dw) * dh);
      for (uint32_t p : out.pixels) {
        ASSERT_EQ(p, colour) << sw << "x" << sh << " -> " << dw << "x" << dh;
      }
    }
  }
}

TEST(Stretch, EnlargedCheckerKeepsEachQuadrantColour) {
  const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
  Picture src{2, 2, {colours[0], colours[1], colours[2], colours[3]}};
  Picture out = StretchPicture(src, 300, 300);
  ASSERT_EQ(out.width, 300);
  ASSERT_EQ(out.height, 300);
  for (int q = 0; q < 4; ++q) {
    int cx = q % 2 ? 225 : 75, cy = q / 2 ? 225 : 75;
    uint32_t centre = At(out, cx, cy);
    for (int shift : {16, 8, 0}) {
      EXPECT_NEAR(Channel(centre, shift), Channel(colours[q], shift), 2) << "quadrant " << q;
    }
    // The corners are the source pixels themselves.
    EXPECT_EQ(At(out, q % 2 ? 299 : 0, q / 2 ? 299 : 0), colours[q]);
  }
}

TEST(Stretch, EnlargingBlendsInsteadOfRepeatingPixels) {
  Picture src{2, 1, {0x000000, 0xFFFFFF}};
  Picture out = StretchPicture(src, 10, 1);
  EXPECT_EQ(out.pixels.front(), 0x000000u);
  EXPECT_EQ(out.pixels.back(), 0xFFFFFFu);
  int between = 0;
  for (int x = 1; x < 10; ++x) {
    EXPECT_GE(Channel(out.pixels[x], 8), Channel(out.pixels[x - 1], 8)) << "at " << x;
    int v = Channel(out.pixels[x], 8);
    between += v > 10 && v < 245;
  }
  // Nearest-pixel scaling would give no grey at all.
  EXPECT_GE(between, 4);
}

uint32_t Stripes(int x, int) { return x % 2 ? 0xFFFFFF : 0x000000; }
uint32_t Bands(int, int y) { return y % 2 ? 0xFFFFFF : 0x000000; }
uint32_t Checker(int x, int y) { return (x + y) % 2 ? 0xFFFFFF : 0x000000; }

TEST(Stretch, ShrinkingFineStripesGivesGreyNotAliases) {
  // Whole ratios: each output pixel covers as much white as black.
  for (auto [pattern, sw, sh, dw, dh] :
       {std::tuple{&Stripes, 640, 4, 320, 4}, std::tuple{&Stripes, 640, 4, 160, 4},
        std::tuple{&Bands, 4, 480, 4, 240}, std::tuple{&Checker, 64, 64, 32, 16}}) {
    Picture out = StretchPicture(Make(sw, sh, pattern), dw, dh);
    for (uint32_t p : out.pixels) {
      ASSERT_TRUE(p == 0x7F7F7F || p == 0x808080) << std::hex << p;
    }
  }
  // 1000 -> 300 covers 3 1/3 stripes per pixel: the white share stays
  // within 1/2 +- 1/(2 * 3 1/3), where nearest-pixel gives 0 or 255.
  Picture src = Make(1000, 2, Stripes);
  Picture out = StretchPicture(src, 300, 2);
  const double bound = 255.0 * 0.5 / (1000.0 / 300.0) + 1;
  for (uint32_t p : out.pixels) {
    EXPECT_NEAR(Channel(p, 8), 127.5, bound);
    EXPECT_EQ(Channel(p, 16), Channel(p, 0));
  }
  EXPECT_NEAR(Mean(out, 8), Mean(src, 8), 0.5);
}

TEST(Stretch, ShrinkingKeepsTheMeanColour) {
  Picture src = Noise(333, 257, 3);
  for (auto [w, h] : {std::pair{100, 80}, std::pair{1, 1}, std::pair{7, 256}, std::pair{332, 3}}) {
    Picture out = StretchPicture(src, w, h);
    for (int shift : {16, 8, 0}) {
      EXPECT_NEAR(Mean(out, shift), Mean(src, shift), 0.6) << w << "x" << h;
    }
  }
  // A 1 x 1 result is the average of everything.
  Picture four{2, 2, {0x000000, 0x00FF00, 0xFF0000, 0x0000FF}};
  EXPECT_EQ(StretchPicture(four, 1, 1).pixels, std::vector<uint32_t>{0x404040});
}

TEST(Stretch, EachDirectionChoosesItsOwnFilter) {
  // 16 x 2 -> 4 x 6: shrinks across, enlarges down. Each group of four
  // columns holds one white pixel in the top row: area averaging gives a
  // quarter of white, where sampling between columns 1 and 2 would give
  // black. The bottom row is red.
  Picture src{16, 2, {}};
  for (int x = 0; x < 16; ++x) src.pixels.push_back(x % 4 == 3 ? 0xFFFFFF : 0x000000);
  for (int x = 0; x < 16; ++x) src.pixels.push_back(0xFF0000);
  Picture out = StretchPicture(src, 4, 6);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(At(out, x, 0), 0x404040u) << "top row, column " << x;
    EXPECT_EQ(At(out, x, 5), 0xFF0000u) << "bottom row, column " << x;
    for (int y = 1; y < 6; ++y) {
      // Going down, red grows and green shrinks smoothly, in more than two steps.
      EXPECT_GE(Channel(At(out, x, y), 16), Channel(At(out, x, y - 1), 16));
      EXPECT_LE(Channel(At(out, x, y), 8), Channel(At(out, x, y - 1), 8));
    }
    EXPECT_NE(At(out, x, 2), At(out, x, 0));
    EXPECT_NE(At(out, x, 2), At(out, x, 5));
    EXPECT_NE(At(out, x, 2), At(out, x, 3));
  }
}

TEST(Stretch, OnePixelSourcesAndThinShapes) {
  Picture dot{1, 1, {0x123456}};
  Picture big = StretchPicture(dot, 5, 7);
  EXPECT_EQ(big.pixels, std::vector<uint32_t>(35, 0x123456));
  Picture column{1, 3, {0x000000, 0x606060, 0xC0C0C0}};
  Picture wide = StretchPicture(column, 4, 1);
  EXPECT_EQ(wide.pixels, std::vector<uint32_t>(4, 0x606060));
  Picture tall = StretchPicture(Picture{3, 1, {0x0000FF, 0x0000FF, 0x0000FF}}, 1, 9);
  EXPECT_EQ(tall.pixels, std::vector<uint32_t>(9, 0x0000FF));
}

TEST(Stretch, WritesOnlyTheDestinationRectangle) {
  Picture src = Noise(30, 20, 4);
  // A 10 x 5 rectangle inside a 16-pixel-wide surface of 7 rows.
  std::vector<uint32_t> surface(16 * 7, 0xAB000000);
  StretchPixels({src.pixels.data(), 30, 20, 30}, {surface.data() + 16 + 3, 10, 5, 16});
  Picture expected = StretchPicture(src, 10, 5);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 16; ++x) {
      bool inside = y >= 1 && y < 6 && x >= 3 && x < 13;
      uint32_t p = surface[y * 16 + x];
      if (inside) {
        ASSERT_EQ(p, At(expected, x - 3, y - 1)) << x << "," << y;
      } else {
        ASSERT_EQ(p, 0xAB000000u) << x << "," << y;
      }
    }
  }
  // A source rectangle of a larger picture: its stride skips the rest.
  std::vector<uint32_t> one(4, 0);
  StretchPixels({src.pixels.data() + 30 * 2 + 5, 2, 2, 30}, {one.data(), 2, 2, 2});
  EXPECT_EQ(one,
            (std::vector<uint32_t>{At(src, 5, 2), At(src, 6, 2), At(src, 5, 3), At(src, 6, 3)}));
}

TEST(Stretch, EmptyAndInvalidSizes) {
  Picture src = Noise(4, 4, 5);
  EXPECT_TRUE(StretchPicture(src, 0, 10).pixels.empty());
  EXPECT_TRUE(StretchPicture(Picture{}, 10, 10).pixels == std::vector<uint32_t>(100, 0));
  EXPECT_THROW(StretchPixels({src.pixels.data(), 4, 4, 3}, {src.pixels.data(), 1, 1, 1}),
               std::invalid_argument);
  EXPECT_THROW(StretchPicture(Picture{4, 4, {}}, 2, 2), std::invalid_argument);
}

}  // namespace
