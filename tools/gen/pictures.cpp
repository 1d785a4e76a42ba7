// Draws the demo story's pictures from simple shapes and gradients and writes
// them as baseline JPEGs: yomite-gen-pictures OUTDIR
//
// Every picture is 640x320, the shape of the player's picture area, so
// nothing is distorted when it is stretched. Drawing is deterministic: the
// only randomness is a fixed-seed generator, so a rerun gives the same pixels.

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kW = 640;
constexpr int kH = 320;
constexpr float kPi = 3.14159265f;

struct Rgb {
  float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Hex(uint32_t v) { return {float((v >> 16) & 255), float((v >> 8) & 255), float(v & 255)}; }

float Smooth(float e0, float e1, float x) {
  float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

// A small fixed-seed generator: std::rand differs between C libraries.
class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(seed ? seed : 1) {}
  float Next() {  // [0, 1)
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return float(s_ >> 8) / float(1u << 24);
  }
  float Range(float lo, float hi) { return lo + (hi - lo) * Next(); }

 private:
  uint32_t s_;
};

using Inside = std::function<bool(float, float)>;

class Canvas {
 public:
  Canvas() : px_(size_t(kW) * kH, Rgb{0, 0, 0}) {}

  Rgb& At(int x, int y) { return px_[size_t(y) * kW + x]; }

  void Blend(int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= kW || y >= kH || a <= 0) return;
    Rgb& p = At(x, y);
    p = Mix(p, c, std::min(a, 1.0f));
  }

  // Vertical gradient through colour stops (position 0..1 from y0 to y1).
  void VGradient(int y0, int y1, const std::vector<std::pair<float, Rgb>>& stops) {
    for (int y = std::max(0, y0); y < std::min(kH, y1); ++y) {
      float t = float(y - y0) / float(std::max(1, y1 - y0 - 1));
      Rgb c = stops.front().second;
      for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
          float span = stops[i].first - stops[i - 1].first;
          float u = span > 0 ? (t - stops[i - 1].first) / span : 1;
          c = Mix(stops[i - 1].second, stops[i].second, std::clamp(u, 0.0f, 1.0f));
          break;
        }
        c = stops[i].second;
      }
      for (int x = 0; x < kW; ++x) At(x, y) = c;
    }
  }

  // Fills a shape given as a point test, with 4x4 samples a pixel so edges
  // are smooth instead of stair-stepped.
  void Fill(float x0, float y0, float x1, float y1, const Inside& in, Rgb c, float a = 1) {
    int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
    int ix1 = std::min(kW - 1, int(std::ceil(x1))), iy1 = std::min(kH - 1, int(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y) {
      for (int x = ix0; x <= ix1; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx)
            if (in(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4)) ++hits;
        if (hits) Blend(x, y, c, a * hits / 16.0f);
      }
    }
  }

  void Rect(float x0, float y0, float x1, float y1, Rgb c, float a = 1) {
    Fill(
        x0, y0, x1, y1, [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }, c,
        a);
  }

  void RoundRect(float x0, float y0, float x1, float y1, float r, Rgb c, float a = 1) {
    Fill(
        x0, y0, x1, y1,
        [=](float x, float y) {
          float cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
          return x >= x0 && x < x1 && y >= y0 && y < y1 &&
                 (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
        },
        c, a);
  }

  void Disc(float cx, float cy, float r, Rgb c, float a = 1) {
    Fill(
        cx - r, cy - r, cx + r, cy + r,
        [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, c, a);
  }

  void Ellipse(float cx, float cy, float rx, float ry, Rgb c, float a = 1) {
    Fill(
        cx - rx, cy - ry, cx + rx, cy + ry,
        [=](float x, float y) {
          float u = (x - cx) / rx, v = (y - cy) / ry;
          return u * u + v * v <= 1;
        },
        c, a);
  }

  void Polygon(const std::vector<std::pair<float, float>>& pts, Rgb c, float a = 1) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (auto [x, y] : pts) {
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
    Fill(
        x0, y0, x1, y1,
        [&pts](float x, float y) {
          bool in = false;  // even-odd rule
          for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            auto [xi, yi] = pts[i];
            auto [xj, yj] = pts[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
          }
          return in;
        },
        c, a);
  }

  void Line(float xa, float ya, float xb, float yb, float width, Rgb c, float a = 1) {
    float dx = xb - xa, dy = yb - ya, len = std::sqrt(dx * dx + dy * dy);
    if (len == 0) return;
    float nx = -dy / len * width / 2, ny = dx / len * width / 2;
    Polygon({{xa + nx, ya + ny}, {xb + nx, yb + ny}, {xb - nx, yb - ny}, {xa - nx, ya - ny}}, c, a);
  }

  // A soft round light: full strength at the centre, fading out at r.
  void Glow(float cx, float cy, float r, Rgb c, float strength) {
    for (int y = std::max(0, int(cy - r)); y <= std::min(kH - 1, int(cy + r)); ++y) {
      for (int x = std::max(0, int(cx - r)); x <= std::min(kW - 1, int(cx + r)); ++x) {
        float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / r;
        if (d < 1) Blend(x, y, c, strength * (1 - d) * (1 - d));
      }
    }
  }

  // Ridge line of hills: a sum of a few sines, filled down to the bottom.
  void Hills(float base, float amp, float phase, Rgb c, float a = 1) {
    for (int x = 0; x < kW; ++x) {
      float t = x / float(kW);
      float top =
          base - amp * (0.6f * std::sin(t * 5.1f + phase) + 0.3f * std::sin(t * 11.7f + phase * 2) +
                        0.1f * std::sin(t * 23.0f + phase * 3));
      for (int y = std::max(0, int(top)); y < kH; ++y) {
        float cover = y == int(top) ? 1 - (top - std::floor(top)) : 1;
        Blend(x, y, c, a * cover);
      }
    }
  }

  void Grain(float amount, uint32_t seed) {
    Rng rng(seed);
    for (Rgb& p : px_) {
      float n = (rng.Next() - 0.5f) * amount;
      p = {p.r + n, p.g + n, p.b + n};
    }
  }

  void Vignette(float strength) {
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        float u = (x - kW / 2.0f) / (kW / 2.0f), v = (y - kH / 2.0f) / (kH / 2.0f);
        float k = 1 - strength * Smooth(0.4f, 1.5f, std::sqrt(u * u + v * v));
        Rgb& p = At(x, y);
        p = {p.r * k, p.g * k, p.b * k};
      }
    }
  }

  // Turns the picture brown and faded, like an old print.
  void Sepia(float fade) {
    for (Rgb& p : px_) {
      float l = 0.3f * p.r + 0.59f * p.g + 0.11f * p.b;
      Rgb s{l * 1.07f + 18, l * 0.92f + 10, l * 0.72f};
      p = Mix(s, Rgb{226, 212, 184}, fade);
    }
  }

  std::vector<unsigned char> Bytes() const {
    std::vector<unsigned char> out;
    out.reserve(px_.size() * 3);
    for (const Rgb& p : px_) {
      out.push_back(static_cast<unsigned char>(std::clamp(std::lround(p.r), 0L, 255L)));
      out.push_back(static_cast<unsigned char>(std::clamp(std::lround(p.g), 0L, 255L)));
      out.push_back(static_cast<unsigned char>(std::clamp(std::lround(p.b), 0L, 255L)));
    }
    return out;
  }

 private:
  std::vector<Rgb> px_;
};

// --- pieces that several pictures share ---

void Sea(Canvas& c, int horizon, Rgb near, Rgb far, Rgb glint, uint32_t seed) {
  c.VGradient(horizon, kH, {{0, far}, {1, near}});
  Rng rng(seed);
  for (int i = 0; i < 260; ++i) {
    float y = horizon + 2 + std::pow(rng.Next(), 1.6f) * (kH - horizon);
    float depth = (y - horizon) / float(kH - horizon);
    float len = 4 + depth * 26 * rng.Next();
    float x = rng.Range(-20, kW);
    c.Line(x, y, x + len, y, 0.6f + depth * 1.6f, glint, 0.25f + 0.35f * rng.Next());
  }
}

void Clouds(Canvas& c, int count, float ymax, Rgb col, float a, uint32_t seed) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    float cx = rng.Range(0, kW), cy = rng.Range(15, ymax), w = rng.Range(40, 110);
    for (int k = 0; k < 6; ++k) {
      float ox = rng.Range(-w / 2, w / 2), oy = rng.Range(-6, 6);
      c.Ellipse(cx + ox, cy + oy, rng.Range(w * 0.25f, w * 0.45f), rng.Range(7, 14), col, a);
    }
  }
}

void Stars(Canvas& c, int count, float ymax, uint32_t seed) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    float x = rng.Range(0, kW), y = std::pow(rng.Next(), 1.3f) * ymax;
    float b = rng.Next();
    c.Blend(int(x), int(y), Rgb{255, 250, 235}, 0.35f + 0.65f * b);
    if (b > 0.85f) c.Glow(x, y, 4 + 4 * b, Rgb{255, 248, 220}, 0.5f);
  }
}

// A person seen from behind against the light. With long hair the figure
// wears a skirt, so the two children and the three grown-ups read apart.
void Figure(Canvas& c, float x, float feet, float h, Rgb col, bool long_hair = false) {
  float top = feet - h;
  float head = h * 0.085f, hy = top + head * 1.05f;
  float sh = top + h * 0.21f, hip = top + h * 0.56f;
  if (long_hair) c.Ellipse(x, hy + head * 0.9f, head * 1.1f, head * 1.6f, col);
  c.Disc(x, hy, head, col);
  c.Rect(x - h * 0.03f, hy, x + h * 0.03f, sh + 2, col);    // neck
  c.Ellipse(x, sh + h * 0.03f, h * 0.14f, h * 0.05f, col);  // shoulders
  c.Polygon({{x - h * 0.14f, sh + h * 0.03f},
             {x + h * 0.14f, sh + h * 0.03f},
             {x + h * 0.1f, hip},
             {x - h * 0.1f, hip}},
            col);
  for (float side : {-1.0f, 1.0f}) {
    c.Line(x + side * h * 0.13f, sh + h * 0.04f, x + side * h * 0.16f, hip + h * 0.02f, h * 0.055f,
           col);  // arms
    c.Polygon({{x + side * h * 0.01f, hip - 1},
               {x + side * h * 0.1f, hip - 1},
               {x + side * h * 0.075f, feet},
               {x + side * h * 0.015f, feet}},
              col);  // legs
  }
  if (long_hair)
    c.Polygon({{x - h * 0.1f, hip - h * 0.04f},
               {x + h * 0.1f, hip - h * 0.04f},
               {x + h * 0.15f, hip + h * 0.2f},
               {x - h * 0.15f, hip + h * 0.2f}},
              col);  // skirt
}

void Lighthouse(Canvas& c, float x, float base, float h, Rgb body, Rgb band, bool lit) {
  float wb = h * 0.13f, wt = h * 0.08f;
  c.Polygon({{x - wb, base}, {x - wt, base - h}, {x + wt, base - h}, {x + wb, base}}, body);
  for (float f : {0.35f, 0.65f}) {  // painted bands
    float y0 = base - h * f, y1 = y0 - h * 0.1f;
    float w0 = wb + (wt - wb) * f, w1 = wb + (wt - wb) * (f + 0.1f);
    c.Polygon({{x - w0, y0}, {x - w1, y1}, {x + w1, y1}, {x + w0, y0}}, band);
  }
  float top = base - h;
  c.Rect(x - wt * 1.5f, top - 3, x + wt * 1.5f, top + 1, Rgb{60, 52, 50});  // gallery
  Rgb glass = lit ? Rgb{255, 236, 160} : Rgb{120, 130, 140};
  c.Rect(x - wt * 0.85f, top - h * 0.12f, x + wt * 0.85f, top - 3, glass);
  c.Polygon(
      {{x - wt * 1.1f, top - h * 0.12f}, {x, top - h * 0.2f}, {x + wt * 1.1f, top - h * 0.12f}},
      Rgb{70, 45, 45});
  if (lit) c.Glow(x, top - h * 0.07f, h * 0.45f, Rgb{255, 230, 150}, 0.8f);
}

// --- the pictures ---

// The train window on the way to town: sea and hills rushing past.
Canvas Densha() {
  Canvas c;
  c.VGradient(0, 190, {{0, Hex(0x8fc4ea)}, {1, Hex(0xe3f0f5)}});
  Clouds(c, 7, 110, Hex(0xffffff), 0.55f, 11);
  c.Hills(150, 26, 1.3f, Hex(0x8aa6b2), 0.85f);  // the far cape
  Sea(c, 160, Hex(0x2f6f96), Hex(0x6aa3c2), Hex(0xe8f6ff), 12);
  c.Hills(248, 10, 4.0f, Hex(0x4f7a45));  // the embankment in front
  // Motion streaks over the near ground.
  Rng rng(13);
  for (int i = 0; i < 40; ++i) {
    float y = rng.Range(240, 262), x = rng.Range(-50, kW);
    c.Line(x, y, x + rng.Range(40, 140), y, 1.2f, Hex(0x6f9a5f), 0.5f);
  }
  // The carriage: dark wall around a rounded window, a seat back below.
  c.Fill(
      0, 0, kW, kH,
      [](float x, float y) {
        float x0 = 70, y0 = 28, x1 = 570, y1 = 262, r = 30;
        float cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        bool win = x >= x0 && x < x1 && y >= y0 && y < y1 &&
                   (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
        return !win;
      },
      Hex(0x3b3f4a));
  c.Rect(70, 64, 570, 70, Hex(0x55596a));  // the sash
  c.RoundRect(120, 270, 520, 330, 18, Hex(0x2f5d7c));
  c.RoundRect(130, 278, 510, 330, 14, Hex(0x3a7097));
  c.Grain(6, 14);
  return c;
}

// The small station by the sea at dusk.
Canvas Eki() {
  Canvas c;
  c.VGradient(0, 200, {{0, Hex(0x4b5a8c)}, {0.55f, Hex(0xd98c6a)}, {1, Hex(0xf6cf8f)}});
  c.Glow(470, 196, 120, Hex(0xffe2a8), 0.6f);
  Sea(c, 198, Hex(0x6c5a72), Hex(0xc98f7d), Hex(0xffe0b0), 21);
  // Rails and the platform.
  c.Rect(0, 250, kW, 320, Hex(0x3c3634));
  for (float y : {268.0f, 300.0f}) c.Rect(0, y, kW, y + 3, Hex(0x9a8f88));
  for (int x = -10; x < kW; x += 22) c.Rect(x, 264, x + 8, 306, Hex(0x2c2624), 0.8f);
  c.Polygon({{0, 212}, {kW, 212}, {kW, 252}, {0, 252}}, Hex(0x8c837d));
  c.Rect(0, 248, kW, 252, Hex(0xe8d77a));  // the yellow edge line
  // The roof on its posts.
  c.Polygon({{20, 86}, {380, 86}, {400, 104}, {0, 104}}, Hex(0x5a4b4b));
  for (float x : {40.0f, 140.0f, 240.0f, 340.0f}) c.Rect(x, 104, x + 7, 212, Hex(0x4a3d3d));
  // A lamp under the roof, and the name board.
  c.Glow(190, 112, 70, Hex(0xfff1c4), 0.7f);
  c.Disc(190, 110, 5, Hex(0xfff7dc));
  c.Rect(440, 150, 446, 212, Hex(0x4a3d3d));
  c.Rect(540, 150, 546, 212, Hex(0x4a3d3d));
  c.RoundRect(424, 128, 562, 160, 4, Hex(0xf3efe6));
  c.Rect(436, 141, 550, 147, Hex(0x3f6fa0));
  // A bench.
  c.Rect(250, 188, 320, 194, Hex(0x7a5438));
  c.Rect(255, 194, 259, 212, Hex(0x4a3d3d));
  c.Rect(311, 194, 315, 212, Hex(0x4a3d3d));
  c.Grain(5, 22);
  return c;
}

// Brother's room: evening light through the window, the old computer on the desk.
Canvas Heya() {
  Canvas c;
  c.VGradient(0, kH, {{0, Hex(0xcdb89a)}, {1, Hex(0xa88d6e)}});
  // The window, with the evening sea outside.
  c.Rect(360, 30, 600, 190, Hex(0x6b5640));
  for (int y = 38; y < 182; ++y) {
    float t = (y - 38) / 144.0f;
    Rgb col = t < 0.6f ? Mix(Hex(0x7d8fc0), Hex(0xf4b98a), t / 0.6f)
                       : Mix(Hex(0x8a6e7e), Hex(0x5a5a78), (t - 0.6f) / 0.4f);
    for (int x = 368; x < 592; ++x) c.At(x, y) = col;
  }
  c.Glow(520, 124, 60, Hex(0xffe0a0), 0.7f);
  c.Rect(476, 38, 484, 182, Hex(0x6b5640));  // the window's middle bar
  c.Glow(480, 110, 260, Hex(0xffc890), 0.25f);
  // Floor and desk.
  c.Rect(0, 262, kW, kH, Hex(0x7a5e45));
  c.Rect(40, 200, 330, 212, Hex(0x5b4230));
  c.Rect(52, 212, 62, 300, Hex(0x4a3626));
  c.Rect(308, 212, 318, 300, Hex(0x4a3626));
  // The old computer: a boxy monitor with a green prompt on it.
  c.RoundRect(110, 104, 250, 200, 8, Hex(0xd8d0bc));
  c.RoundRect(124, 116, 236, 184, 6, Hex(0x142018));
  for (int i = 0; i < 4; ++i)
    c.Rect(134, 126 + i * 12, 134 + 30 + (i * 23) % 60, 131 + i * 12, Hex(0x67e08a));
  c.Rect(134, 174, 142, 179, Hex(0x9bf5b3));
  c.Glow(180, 150, 70, Hex(0x60d088), 0.18f);
  c.Rect(100, 194, 262, 202, Hex(0xc8bfa8));  // keyboard
  // A photo frame and a shelf of books.
  c.Rect(276, 168, 304, 200, Hex(0x3a2a20));
  c.Rect(280, 172, 300, 196, Hex(0xd9c9a3));
  c.Rect(20, 40, 320, 48, Hex(0x5b4230));
  Rng rng(31);
  for (float x = 30; x < 300;) {
    float w = rng.Range(9, 20), h = rng.Range(30, 46);
    Rgb col = Mix(Hex(0x8a3b34), Hex(0x2f5b7a), rng.Next());
    c.Rect(x, 40 - h, x + w, 40, Mix(col, Hex(0x6b8a4a), rng.Next() * 0.5f));
    x += w + 2;
  }
  c.Vignette(0.35f);
  c.Grain(5, 32);
  return c;
}

// Yuzuki's café: warm lamps, a wooden counter, green light in the window.
Canvas Kissa() {
  Canvas c;
  c.VGradient(0, kH, {{0, Hex(0x6a4a36)}, {1, Hex(0x3e2a1f)}});
  // Window with a tree outside.
  c.Rect(40, 40, 260, 200, Hex(0x2f2018));
  for (int y = 48; y < 192; ++y)
    for (int x = 48; x < 252; ++x)
      c.At(x, y) = Mix(Hex(0xcfe6d2), Hex(0x9cc8a8), (y - 48) / 144.0f);
  Rng rng(41);
  for (int i = 0; i < 30; ++i)
    c.Disc(rng.Range(76, 224), rng.Range(72, 140), rng.Range(12, 24),
           Mix(Hex(0x5f8f4f), Hex(0x8fb86a), rng.Next()), 0.8f);
  c.Rect(146, 48, 152, 192, Hex(0x2f2018));
  c.Rect(48, 118, 252, 123, Hex(0x2f2018));
  // Shelves with cups and jars.
  for (float y : {90.0f, 150.0f}) {
    c.Rect(320, y, 610, y + 6, Hex(0x2a1b13));
    for (float x = 334; x < 600; x += 38) {
      Rgb col = Mix(Hex(0xe9e1d0), Hex(0xc97f52), rng.Next());
      c.RoundRect(x, y - 24, x + 22, y, 4, col);
    }
  }
  // Hanging lamps.
  for (float x : {180.0f, 380.0f, 560.0f}) {
    c.Rect(x - 1, 0, x + 1, 36, Hex(0x1d130e));
    c.Polygon({{x - 22, 52}, {x - 10, 34}, {x + 10, 34}, {x + 22, 52}}, Hex(0xe7b36a));
    c.Glow(x, 58, 150, Hex(0xffd9a0), 0.45f);
  }
  // The counter, and a cup on it with steam.
  c.Rect(0, 228, kW, 242, Hex(0x9a6a44));
  c.Rect(0, 242, kW, kH, Hex(0x5a3a26));
  for (float x = 0; x < kW; x += 64) c.Rect(x, 242, x + 2, kH, Hex(0x4a2e1e));
  c.RoundRect(420, 200, 452, 230, 6, Hex(0xf4efe6));
  c.Ellipse(436, 202, 16, 4, Hex(0x6a3b22));
  for (int i = 0; i < 3; ++i) {
    float x = 430 + i * 7;
    for (int k = 0; k < 20; ++k)
      c.Disc(x + 3 * std::sin(k * 0.5f + i), 196 - k * 2.2f, 1.6f, Hex(0xffffff), 0.18f);
  }
  c.Vignette(0.3f);
  c.Grain(5, 42);
  return c;
}

// The harbour on a clear day.
Canvas Umi() {
  Canvas c;
  c.VGradient(0, 160, {{0, Hex(0x5fa8e0)}, {1, Hex(0xd6ecf6)}});
  Clouds(c, 6, 100, Hex(0xffffff), 0.7f, 51);
  c.Hills(160, 12, 2.4f, Hex(0x8aa7b4), 0.8f);
  Sea(c, 160, Hex(0x1f6f9a), Hex(0x5fa9cc), Hex(0xf2fbff), 52);
  // The pier and its posts.
  c.Polygon({{0, 250}, {330, 236}, {330, 246}, {0, 268}}, Hex(0x9e8a74));
  for (float x = 20; x < 330; x += 44) c.Rect(x, 246 - x * 0.045f, x + 6, 300, Hex(0x5a4a3c));
  // Two small boats.
  for (auto [x, y, s] : {std::tuple{420.0f, 214.0f, 1.0f}, std::tuple{540.0f, 190.0f, 0.6f}}) {
    c.Polygon(
        {{x - 40 * s, y}, {x + 40 * s, y}, {x + 30 * s, y + 14 * s}, {x - 32 * s, y + 14 * s}},
        Hex(0xf2f2ee));
    c.Rect(x - 38 * s, y + 8 * s, x + 36 * s, y + 11 * s, Hex(0xc0483c));
    c.Rect(x - 10 * s, y - 16 * s, x + 12 * s, y, Hex(0xe8e4da));
    c.Rect(x - 1 * s, y - 40 * s, x + 1.5f * s, y - 16 * s, Hex(0x504844));
  }
  // Gulls.
  for (auto [x, y] :
       {std::pair{200.0f, 60.0f}, std::pair{238.0f, 78.0f}, std::pair{470.0f, 48.0f}}) {
    c.Line(x - 9, y - 3, x, y + 2, 1.6f, Hex(0x4a5058));
    c.Line(x, y + 2, x + 9, y - 3, 1.6f, Hex(0x4a5058));
  }
  c.Grain(5, 53);
  return c;
}

// The lighthouse hill at sunset.
Canvas Toudai() {
  Canvas c;
  c.VGradient(
      0, 190,
      {{0, Hex(0x3d4f8a)}, {0.45f, Hex(0xc9738a)}, {0.8f, Hex(0xf4a261)}, {1, Hex(0xffd48a)}});
  c.Disc(250, 186, 26, Hex(0xfff0c8));
  c.Glow(250, 186, 140, Hex(0xffd890), 0.55f);
  Sea(c, 190, Hex(0x4a3a5a), Hex(0xc07a6a), Hex(0xffd8a0), 61);
  for (int y = 192; y < kH; y += 3) {  // the sun's road on the water
    float w = 6 + (y - 190) * 0.35f;
    c.Rect(250 - w, y, 250 + w, y + 1.5f, Hex(0xffe2a8), 0.5f * (1 - (y - 190) / 140.0f));
  }
  c.Polygon({{330, 320}, {390, 210}, {470, 170}, {560, 160}, {640, 175}, {640, 320}},
            Hex(0x2c3a2e));
  Lighthouse(c, 540, 168, 120, Hex(0xf1ebe2), Hex(0xb9473f), false);
  c.Line(360, 320, 470, 200, 3, Hex(0x6b6a58), 0.7f);  // the path up
  c.Grain(5, 62);
  return c;
}

// Night over the town: stars, a crescent moon, lights along the shore.
Canvas Yoru() {
  Canvas c;
  c.VGradient(0, 210, {{0, Hex(0x070b22)}, {1, Hex(0x243a6a)}});
  Stars(c, 420, 200, 71);
  c.Fill(
      478, 48, 522, 92,
      [](float x, float y) {  // the moon's disc less a bite out of its side
        auto in = [&](float cx, float cy, float r) {
          return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
        };
        return in(500, 70, 22) && !in(510, 64, 20);
      },
      Hex(0xfff6d8));
  c.Glow(498, 72, 70, Hex(0xc8d4ff), 0.2f);
  c.Hills(214, 16, 0.7f, Hex(0x0d1426));
  Sea(c, 222, Hex(0x050a18), Hex(0x14213e), Hex(0x6f84c0), 72);
  Rng rng(73);
  for (int i = 0; i < 60; ++i) {  // windows of the town
    float x = rng.Range(0, kW), y = rng.Range(206, 220);
    c.Glow(x, y, 6, Hex(0xffd88a), 0.8f);
    for (int k = 0; k < 5; ++k)
      c.Rect(x - 0.8f, y + 8 + k * 6, x + 0.8f, y + 11 + k * 6, Hex(0xffd88a), 0.25f - k * 0.04f);
  }
  c.Grain(4, 74);
  return c;
}

// The park, with the first cherry blossoms.
Canvas Kouen() {
  Canvas c;
  c.VGradient(0, 240, {{0, Hex(0x9cc9ec)}, {1, Hex(0xeef6f2)}});
  Clouds(c, 4, 90, Hex(0xffffff), 0.6f, 81);
  c.Hills(200, 14, 3.3f, Hex(0x9dbb8a));
  c.Rect(0, 230, kW, kH, Hex(0x78a85c));
  c.Polygon({{280, 320}, {300, 232}, {330, 232}, {400, 320}}, Hex(0xd9c8a6));  // the path
  Rng rng(82);
  for (auto [x, s] : {std::pair{110.0f, 1.0f}, std::pair{520.0f, 1.15f}, std::pair{240.0f, 0.7f}}) {
    float top = 250 - 100 * s, crown = 250 - 122 * s;
    c.Polygon({{x - 6 * s, 250}, {x - 3 * s, top}, {x + 3 * s, top}, {x + 6 * s, 250}},
              Hex(0x5b4636));
    for (int i = 0; i < 40; ++i) {
      float a = rng.Range(0, 2 * kPi), r = rng.Range(0, 60 * s);
      c.Disc(x + std::cos(a) * r * 1.3f, crown + std::sin(a) * r * 0.7f, rng.Range(10, 20) * s,
             Mix(Hex(0xf6c6d4), Hex(0xfbe3ea), rng.Next()), 0.85f);
    }
  }
  for (int i = 0; i < 90; ++i)  // petals on the grass
    c.Ellipse(rng.Range(0, kW), rng.Range(236, 320), 2.2f, 1.2f, Hex(0xfbe0e8), 0.8f);
  c.Rect(400, 236, 480, 243, Hex(0x8a5a3a));  // a bench
  c.Rect(400, 224, 480, 229, Hex(0x8a5a3a));
  c.Rect(406, 243, 410, 258, Hex(0x3d3530));
  c.Rect(470, 243, 474, 258, Hex(0x3d3530));
  c.Grain(5, 83);
  return c;
}

// Rain on the apartment window, the street lamps blurred behind it.
Canvas Ame() {
  Canvas c;
  c.VGradient(0, kH, {{0, Hex(0x5c6670)}, {0.7f, Hex(0x808a90)}, {1, Hex(0x4a5258)}});
  c.Hills(230, 20, 1.9f, Hex(0x4a545a), 0.7f);
  for (float x : {90.0f, 300.0f, 510.0f}) c.Glow(x, 200, 60, Hex(0xffd9a0), 0.5f);
  Rng rng(91);
  for (int i = 0; i < 420; ++i) {
    float x = rng.Range(-20, kW), y = rng.Range(-20, kH), l = rng.Range(8, 22);
    c.Line(x, y, x - l * 0.25f, y + l, 0.8f, Hex(0xdde6ee), 0.35f);
  }
  for (int i = 0; i < 70; ++i) {  // drops on the glass
    float x = rng.Range(0, kW), y = rng.Range(0, kH), r = rng.Range(2, 5);
    c.Disc(x, y, r, Hex(0xcfd9e0), 0.45f);
    c.Disc(x - r * 0.3f, y - r * 0.3f, r * 0.35f, Hex(0xffffff), 0.6f);
  }
  // The window frame.
  c.Rect(0, 0, kW, 14, Hex(0x3a3430));
  c.Rect(0, 306, kW, kH, Hex(0x3a3430));
  c.Rect(316, 0, 324, kH, Hex(0x3a3430));
  c.Grain(5, 92);
  return c;
}

// The old photograph: two high-school friends on the lighthouse hill, faded,
// in a white paper border. Shown whenever a scene recalls the past.
Canvas Shashin() {
  Canvas c;
  c.VGradient(0, 210, {{0, Hex(0x9aa8c0)}, {0.7f, Hex(0xe8c8a0)}, {1, Hex(0xf6dcb0)}});
  c.Disc(200, 206, 24, Hex(0xfff4dc));
  Sea(c, 208, Hex(0x6a6a70), Hex(0xb0a090), Hex(0xf0e0c0), 101);
  c.Polygon({{280, 320}, {350, 230}, {460, 200}, {640, 196}, {640, 320}}, Hex(0x55604a));
  Lighthouse(c, 560, 200, 120, Hex(0xf1ebe2), Hex(0x8a5a50), false);
  Figure(c, 395, 258, 70, Hex(0x2c2622));        // the boy
  Figure(c, 432, 254, 64, Hex(0x2c2622), true);  // the girl, longer hair
  c.Sepia(0.18f);
  c.Vignette(0.45f);
  c.Grain(14, 102);
  // A crease across one corner, then the paper border.
  c.Line(0, 250, 120, 320, 1.2f, Hex(0xf4ead6), 0.5f);
  c.Fill(
      0, 0, kW, kH,
      [](float x, float y) { return x < 22 || x >= kW - 22 || y < 16 || y >= kH - 16; },
      Hex(0xf2ecdf));
  c.Grain(3, 103);
  return c;
}

// The good ending: three people on the hill, the lighthouse lit again.
Canvas Sannin() {
  Canvas c;
  c.VGradient(0, 200, {{0, Hex(0x1b2350)}, {0.6f, Hex(0x7a5a8a)}, {1, Hex(0xf0a878)}});
  Stars(c, 90, 110, 111);
  Sea(c, 200, Hex(0x2a2440), Hex(0x8a6078), Hex(0xf8c8a0), 112);
  c.Polygon({{0, 320}, {0, 250}, {200, 228}, {420, 214}, {640, 206}, {640, 320}}, Hex(0x1e2424));
  // Beams from the lamp: pale wedges fading into the dusk.
  float lx = 520, ly = 92;
  c.Polygon({{lx, ly - 4}, {0, 40}, {0, 120}, {lx, ly + 4}}, Hex(0xfff0c0), 0.18f);
  c.Polygon({{lx, ly - 4}, {kW, 60}, {kW, 100}, {lx, ly + 4}}, Hex(0xfff0c0), 0.12f);
  Lighthouse(c, lx, 212, 130, Hex(0x3a3a44), Hex(0x2a2a34), true);
  Figure(c, 210, 232, 86, Hex(0x0e1012));        // brother, tallest
  Figure(c, 250, 230, 62, Hex(0x0e1012), true);  // Mio in the middle
  Figure(c, 288, 230, 76, Hex(0x0e1012), true);  // Yuzuki
  c.Grain(4, 113);
  return c;
}

bool WriteJpeg(const Canvas& c, const std::string& path) {
  std::vector<unsigned char> rgb = c.Bytes();
  tjhandle tj = tjInitCompress();
  if (!tj) return false;
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  // Baseline (no progressive flag), 4:2:0: what every decoder reads.
  int rc = tjCompress2(tj, rgb.data(), kW, kW * 3, kH, TJPF_RGB, &jpeg, &size, TJSAMP_420, 80, 0);
  bool ok = rc == 0;
  if (ok) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ok = f && std::fwrite(jpeg, 1, size, f) == size;
    if (f) ok = std::fclose(f) == 0 && ok;
  } else {
    std::fprintf(stderr, "yomite-gen-pictures: %s\n", tjGetErrorStr2(tj));
  }
  tjFree(jpeg);
  tjDestroy(tj);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: yomite-gen-pictures OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::pair<const char*, Canvas (*)()> pictures[] = {
      {"densha", Densha}, {"eki", Eki},       {"heya", Heya},     {"kissa", Kissa},
      {"umi", Umi},       {"toudai", Toudai}, {"yoru", Yoru},     {"kouen", Kouen},
      {"ame", Ame},       {"3", Shashin},     {"sannin", Sannin},
  };
  for (auto [name, draw] : pictures) {
    std::string path = dir + "/" + name + ".jpg";
    if (!WriteJpeg(draw(), path)) {
      std::fprintf(stderr, "yomite-gen-pictures: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
