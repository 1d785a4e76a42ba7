// Drawing into memory and reading the pixels back.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "ui/color.h"
#include "ui/control.h"
#include "ui/sdl/fonts.h"

namespace yomite::ui::sdl::testing {

// An RGB888 surface with a software renderer drawing into it.
class Canvas {
 public:
  Canvas(int width, int height) {
    surface_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
    renderer_ = surface_ ? SDL_CreateSoftwareRenderer(surface_) : nullptr;
  }
  ~Canvas() {
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (surface_) SDL_FreeSurface(surface_);
  }
  SDL_Renderer* renderer() const { return renderer_; }
  int width() const { return surface_->w; }
  int height() const { return surface_->h; }
  uint32_t At(int x, int y) const {
    auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface_->pixels) +
                                                  y * surface_->pitch);
    return row[x] & 0xFFFFFF;
  }

 private:
  SDL_Surface* surface_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
};

inline int Red(uint32_t c) { return (c >> 16) & 0xFF; }
inline int Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline int Blue(uint32_t c) { return c & 0xFF; }

// Within tolerance on each channel.
inline bool Near(uint32_t c, Color want, int tolerance = 8) {
  return std::abs(Red(c) - want.r) <= tolerance && std::abs(Green(c) - want.g) <= tolerance &&
         std::abs(Blue(c) - want.b) <= tolerance;
}

// Places a control at a rectangle in pixels of a window that still
// measures in twips.
inline void PlaceInPixels(Control& c, int x, int y, int w, int h) {
  c.Move(x * 15.0, y * 15.0, w * 15.0, h * 15.0);
}

// The font the window uses; the tests need it (scripts/setup.sh installs it).
inline std::unique_ptr<FontCache> OpenUiFont() {
  std::optional<FontFile> file = FindJapaneseUiFont();
  if (!file) return nullptr;
  return std::make_unique<FontCache>(*file);
}

}  // namespace yomite::ui::sdl::testing
