// Loses one SDL surface on purpose, after filling the caches the player's
// libraries fill (SDL's video and D-Bus, fontconfig, a rendered caption),
// so that the leak check run with tests/lsan.supp shows it still reports
// what the program itself loses. Built only with the sanitizers.
//
// usage: yomite_leak_probe none|surface
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "ui/sdl/fonts.h"

namespace {

// Made and dropped on a thread of its own: once the thread has ended no
// stack the leak checker scans can still hold the pointer.
void LoseSurface() {
  std::thread([] {
    SDL_Surface* lost = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_RGB888);
    if (!lost) std::fprintf(stderr, "leak_probe: no surface: %s\n", SDL_GetError());
  }).join();
}

}  // namespace

int main(int argc, char** argv) {
  const bool lose = argc > 1 && std::strcmp(argv[1], "surface") == 0;
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0 || TTF_Init() != 0) {
    std::fprintf(stderr, "leak_probe: %s\n", SDL_GetError());
    return 2;
  }
  // Drawn as the tests draw, into memory: the offscreen driver's windows
  // load EGL, whose own leaks are in libraries unloaded before the check.
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Renderer* renderer = frame ? SDL_CreateSoftwareRenderer(frame) : nullptr;
  std::optional<yomite::ui::sdl::FontFile> file = yomite::ui::sdl::FindJapaneseUiFont();
  if (!renderer || !file) {
    std::fprintf(stderr, "leak_probe: no renderer or no Japanese font\n");
    return 2;
  }
  {
    auto fonts = std::make_unique<yomite::ui::sdl::FontCache>(*file);
    TTF_Font* font = fonts->Get(16);
    SDL_Surface* text =
        font ? TTF_RenderUTF8_Blended(font, "読み手", SDL_Color{255, 255, 255, 255}) : nullptr;
    SDL_Texture* texture = text ? SDL_CreateTextureFromSurface(renderer, text) : nullptr;
    if (!texture) {
      std::fprintf(stderr, "leak_probe: no caption: %s\n", SDL_GetError());
      return 2;
    }
    SDL_DestroyTexture(texture);
    SDL_FreeSurface(text);
  }
  if (lose) LoseSurface();
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(frame);
  TTF_Quit();
  SDL_Quit();
  return 0;
}
