#include "ui/sdl/picture_buffer.h"

#include <algorithm>
#include <cmath>

#include "platform/render/stretch.h"

namespace yomite::ui::sdl {

namespace {

struct IntRect {
  int left, top, width, height;
};

// Edges to whole pixels; a rectangle always covers the pixels its edges
// pass over most.
IntRect Round(PixelRect r) {
  long left = std::lround(r.left), top = std::lround(r.top);
  long right = std::lround(r.left + r.width), bottom = std::lround(r.top + r.height);
  return IntRect{int(left), int(top), int(std::max(0L, right - left)),
                 int(std::max(0L, bottom - top))};
}

IntRect Intersect(IntRect a, IntRect b) {
  int left = std::max(a.left, b.left), top = std::max(a.top, b.top);
  int right = std::min(a.left + a.width, b.left + b.width);
  int bottom = std::min(a.top + a.height, b.top + b.height);
  return IntRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

}  // namespace

void PictureBuffer::Reset(int width, int height, Color back) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width != width_ || height != height_) DropTexture();
  width_ = width;
  height_ = height;
  uint32_t fill = (uint32_t(back.r) << 16) | (uint32_t(back.g) << 8) | back.b;
  pixels_.assign(size_t(width) * height, fill);
  stale_ = true;
}

void PictureBuffer::Paint(const platform::Picture& picture, PixelRect dst, PixelRect src) {
  if (picture.pixels.size() < size_t(picture.width) * picture.height) return;  // size only
  IntRect s = Intersect(Round(src), IntRect{0, 0, picture.width, picture.height});
  IntRect d = Round(dst);
  IntRect visible = Intersect(d, IntRect{0, 0, width_, height_});
  if (s.width == 0 || s.height == 0 || visible.width == 0 || visible.height == 0) return;
  render::PixelsView from{picture.pixels.data() + size_t(s.top) * picture.width + s.left, s.width,
                          s.height, picture.width};
  if (visible.width == d.width && visible.height == d.height) {
    render::StretchPixels(
        from, {pixels_.data() + size_t(d.top) * width_ + d.left, d.width, d.height, width_});
  } else {
    // Part of the rectangle lies outside: stretch it whole, keep what shows.
    std::vector<uint32_t> whole(size_t(d.width) * d.height);
    render::StretchPixels(from, {whole.data(), d.width, d.height, d.width});
    for (int y = 0; y < visible.height; ++y) {
      const uint32_t* row =
          whole.data() + size_t(visible.top - d.top + y) * d.width + (visible.left - d.left);
      std::copy(row, row + visible.width,
                pixels_.data() + size_t(visible.top + y) * width_ + visible.left);
    }
  }
  stale_ = true;
}

SDL_Texture* PictureBuffer::Texture(SDL_Renderer* renderer) {
  if (width_ == 0 || height_ == 0) return nullptr;
  if (texture_ && texture_owner_ != renderer) DropTexture();
  if (!texture_) {
    texture_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 width_, height_);
    if (!texture_) return nullptr;
    texture_owner_ = renderer;
    stale_ = true;
  }
  if (stale_) {
    SDL_UpdateTexture(texture_, nullptr, pixels_.data(), width_ * int(sizeof(uint32_t)));
    stale_ = false;
  }
  return texture_;
}

void PictureBuffer::DropTexture() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  texture_owner_ = nullptr;
  stale_ = true;
}

}  // namespace yomite::ui::sdl
