#include "ui/sdl/icon.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/icon_art.h"

namespace yomite::ui::sdl {

SDL_Surface* MakeIcon() {
  constexpr int kSize = 32;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, kSize, kSize, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!icon) return nullptr;
  std::vector<uint32_t> pixels = DrawIcon(kSize);
  for (int y = 0; y < kSize; ++y) {
    std::memcpy(static_cast<uint8_t*>(icon->pixels) + y * icon->pitch, &pixels[y * kSize],
                kSize * sizeof(uint32_t));
  }
  return icon;
}

}  // namespace yomite::ui::sdl
