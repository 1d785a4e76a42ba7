#include "ui/icon_art.h"

#include <cmath>

namespace yomite::ui {

namespace {

struct Disc {
  double x, y, r;
  uint32_t rgb;
};

// The colour at (x, y) of the icon drawn on a 32 by 32 grid.
uint32_t Shade(double x, double y) {
  static const Disc kBlossoms[] = {
      {20.5, 8.5, 3.6, 0xF5D000},  {25.0, 13.0, 3.2, 0xFFDD22}, {15.5, 12.0, 3.4, 0xF2C200},
      {22.0, 18.5, 3.3, 0xFFE24A}, {11.0, 17.5, 3.0, 0xF5D000}, {17.0, 22.5, 2.8, 0xFFDD22},
      {26.5, 21.0, 2.4, 0xF2C200},
  };
  double dx = x - 16, dy = y - 16;
  if (dx * dx + dy * dy > 15.5 * 15.5) return 0;  // outside the tile: transparent
  uint32_t rgb = 0x1E2A4A;
  // The stem: a thick line from the bottom left towards the blossoms.
  double t = ((x - 6) * 14 + (y - 27) * -15) / (14.0 * 14 + 15.0 * 15);
  if (t > 0 && t < 1) {
    double px = 6 + 14 * t, py = 27 - 15 * t;
    if ((x - px) * (x - px) + (y - py) * (y - py) < 1.3 * 1.3) rgb = 0x4F9A3A;
  }
  for (const Disc& d : kBlossoms) {
    double ex = x - d.x, ey = y - d.y;
    double r2 = ex * ex + ey * ey;
    if (r2 < d.r * d.r) {
      // A lighter spot up and left gives each blossom some roundness.
      double hx = x - (d.x - d.r * 0.35), hy = y - (d.y - d.r * 0.35);
      rgb = hx * hx + hy * hy < d.r * d.r * 0.2 ? 0xFFF3A0 : d.rgb;
    }
  }
  return 0xFF000000u | rgb;
}

}  // namespace

std::vector<uint32_t> DrawIcon(int size) {
  std::vector<uint32_t> pixels;
  if (size <= 0) return pixels;
  pixels.resize(static_cast<size_t>(size) * size);
  // Four samples per pixel, so the round edges come out smooth at 32; small
  // sizes take more, since each pixel covers more of the drawing.
  int grid = size >= 32 ? 2 : 4;
  double unit = 32.0 / size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double a = 0, r = 0, g = 0, b = 0;
      for (int sy = 0; sy < grid; ++sy) {
        for (int sx = 0; sx < grid; ++sx) {
          uint32_t c = Shade((x + (sx + 0.5) / grid) * unit, (y + (sy + 0.5) / grid) * unit);
          double ca = (c >> 24) / 255.0;
          a += ca;
          r += ca * ((c >> 16) & 0xFF);
          g += ca * ((c >> 8) & 0xFF);
          b += ca * (c & 0xFF);
        }
      }
      uint32_t out = 0;
      if (a > 0) {
        int samples = grid * grid;
        out = (uint32_t(std::lround(a / samples * 255)) << 24) |
              (uint32_t(std::lround(r / a)) << 16) | (uint32_t(std::lround(g / a)) << 8) |
              uint32_t(std::lround(b / a));
      }
      pixels[static_cast<size_t>(y) * size + x] = out;
    }
  }
  return pixels;
}

}  // namespace yomite::ui
