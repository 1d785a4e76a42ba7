// A backend on SDL's offscreen driver with a window model of its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/sdl/sdl_test_support.h"
#include "ui/sdl/sdl_backend.h"

namespace yomite::ui::sdl::testing {

class BackendTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  void SetUp() override {
    SdlBackend::Options options;
    options.fullscreen = false;
    options.restored_width = kWidth;
    options.restored_height = kHeight;
    std::string why;
    backend_ = SdlBackend::Create(options, &why);
    ASSERT_TRUE(backend_) << why;
    ASSERT_TRUE(backend_->painter().HasFont()) << "no Japanese font: run scripts/setup.sh";
    window_ = std::make_unique<Window>(*backend_, kWidth, kHeight);
    window_->SetBackColor(kBlack);
  }
  void TearDown() override {
    window_.reset();
    backend_.reset();
  }

  // The window's pixels as last drawn, 0x00RRGGBB.
  std::vector<uint32_t> ReadPixels() {
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    SDL_RenderReadPixels(backend_->renderer(), nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(),
                         kWidth * 4);
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
  }
  static uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) {
    return pixels[size_t(y) * kWidth + x];
  }

  static void Push(const SDL_Event& event) {
    SDL_Event copy = event;
    SDL_PushEvent(&copy);
  }
  static void PushKey(SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    Push(e);
  }
  static void PushButton(bool down, uint8_t button, int x, int y, int clicks = 1) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = uint8_t(clicks);
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }
  static void PushQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    Push(e);
  }

  std::unique_ptr<SdlBackend> backend_;
  std::unique_ptr<Window> window_;
};

}  // namespace yomite::ui::sdl::testing
