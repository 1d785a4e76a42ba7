// What is painted on a picture box, kept in the box's own pixels so it
// survives whatever covers the box, and uploaded only when it changed.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/picture.h"
#include "ui/color.h"
#include "ui/control.h"

namespace yomite::ui::sdl {

class PictureBuffer {
 public:
  PictureBuffer() = default;
  ~PictureBuffer() { DropTexture(); }
  PictureBuffer(const PictureBuffer&) = delete;
  PictureBuffer& operator=(const PictureBuffer&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // 0x00RRGGBB, row after row.
  const std::vector<uint32_t>& pixels() const { return pixels_; }
  uint32_t At(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }

  // Gives the buffer a size, all of it in the back colour.
  void Reset(int width, int height, Color back);
  // Paints a rectangle of a picture stretched over a rectangle of the
  // buffer; what falls outside the buffer is cut off.
  void Paint(const platform::Picture& picture, PixelRect dst, PixelRect src);

  // The pixels as a texture, uploaded again only after a change; null
  // for an empty buffer or when the texture cannot be made.
  SDL_Texture* Texture(SDL_Renderer* renderer);
  // Forgets the texture (the renderer lost it, or is going away).
  void DropTexture();

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
  SDL_Texture* texture_ = nullptr;
  SDL_Renderer* texture_owner_ = nullptr;
  bool stale_ = true;
};

}  // namespace yomite::ui::sdl
