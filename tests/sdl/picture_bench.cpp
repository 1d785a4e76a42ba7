// How long showing a large picture takes: a 1920x1080 picture stretched
// into a 1080x540 picture area (the area on a 1920x1080 screen) and
// uploaded to the renderer, as the window does on a picture command.
// Prints the figures; run it on a quiet machine.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ui/sdl/picture_buffer.h"

int main() {
  using Clock = std::chrono::steady_clock;
  if (!SDL_getenv("SDL_VIDEODRIVER")) SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "picture_bench: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("", 0, 0, 1920, 1080, 0);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  if (!renderer) {
    std::fprintf(stderr, "picture_bench: %s\n", SDL_GetError());
    return 1;
  }
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer, &info);

  // A picture with detail everywhere, so no shortcut applies.
  yomite::platform::Picture picture;
  picture.width = 1920;
  picture.height = 1080;
  picture.pixels.resize(size_t(1920) * 1080);
  for (int y = 0; y < 1080; ++y) {
    for (int x = 0; x < 1920; ++x) {
      picture.pixels[size_t(y) * 1920 + x] =
          uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 5) & 0xFF) << 8 | (uint32_t(x ^ y) & 0xFF);
    }
  }

  yomite::ui::sdl::PictureBuffer buffer;
  constexpr int kRounds = 30;
  std::vector<double> stretch_ms, upload_ms, total_ms;
  for (int i = 0; i < kRounds; ++i) {
    auto t0 = Clock::now();
    buffer.Reset(1080, 540, {0, 0, 0});
    buffer.Paint(picture, {0, 0, 1080, 540}, {0, 0, 1920, 1080});
    auto t1 = Clock::now();
    SDL_Texture* texture = buffer.Texture(renderer);
    auto t2 = Clock::now();
    if (!texture) {
      std::fprintf(stderr, "picture_bench: %s\n", SDL_GetError());
      return 1;
    }
    stretch_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    upload_ms.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    total_ms.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
  }
  auto report = [](const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-26s median %6.2f ms   min %6.2f ms   max %6.2f ms\n", what, v[v.size() / 2],
                v.front(), v.back());
  };
  std::printf("1920x1080 picture into a 1080x540 area, %d rounds, renderer %s\n", kRounds,
              info.name);
  report("stretch (area average)", stretch_ms);
  report("upload (texture update)", upload_ms);
  report("stretch + upload", total_ms);
  buffer.DropTexture();
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
