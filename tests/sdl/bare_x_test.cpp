// The full-screen window on an X server with no window manager, where the
// window sizes itself over the display and is mapped while the first page
// is made.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/command_button.h"
#include "ui/label.h"
#include "ui/sdl/sdl_backend.h"
#include "ui/window.h"

// Last: Xlib's macros (None, Bool, ...) would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "ui/sdl/desktop_dpi.h"
#include "ui/sdl/x11_native.h"

namespace yomite::ui::sdl {
namespace {

// What the X server shows at a point of the screen, 0xRRGGBB.
unsigned long OnScreen(Display* display, int x, int y) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0ul;
  unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

// The full-screen backend on the X server of DISPLAY.
class BareXServer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    backend_ = SdlBackend::Create({}, &why);
    if (!backend_ && !std::getenv("DISPLAY")) GTEST_SKIP() << "no X display: " << why;
    ASSERT_TRUE(backend_) << why;
    std::optional<X11Native> native = NativeX11(backend_->sdl_window());
    ASSERT_TRUE(native) << "not on X11";
    x_ = *native;
  }

  std::unique_ptr<SdlBackend> backend_;
  X11Native x_{};
};

TEST_F(BareXServer, TheWindowCoversTheDisplayWithOneFrameBufferAndShowsItsFirstFrame) {
  SdlBackend* backend = backend_.get();
  const X11Native& x = x_;

  SDL_Rect bounds;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0) << SDL_GetError();
  SDL_Surface* frame = SDL_GetWindowSurface(backend->sdl_window());
  ASSERT_NE(frame, nullptr) << SDL_GetError();
  EXPECT_EQ(frame->w, bounds.w);
  EXPECT_EQ(frame->h, bounds.h);
  // From here on every size SDL takes the window to have: another would
  // make the frame buffer again, and then once more at the right size.
  std::vector<SDL_Point> sizes;
  auto watch = [](void* into, SDL_Event* e) {
    if (e->type == SDL_WINDOWEVENT && e->window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      static_cast<std::vector<SDL_Point>*>(into)->push_back({e->window.data1, e->window.data2});
    }
    return 0;
  };
  SDL_AddEventWatch(watch, &sizes);

  Window model(*backend, backend->ScreenWidthPx(), backend->ScreenHeightPx());
  model.SetBackColor(Color{0, 0, 255});
  Label label(model, "Lbl", false);
  label.SetBackColor(Color{255, 0, 0});
  label.Move(0, 0, 1500, 1500);  // 100 by 100 pixels at the top left
  backend->Attach(model);
  backend->DrawNow();

  // Presented after the server mapped the window, so it is on the screen.
  EXPECT_TRUE(SDL_GetWindowFlags(backend->sdl_window()) & SDL_WINDOW_SHOWN);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(x.display, x.window, &attributes));
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_EQ(OnScreen(x.display, 50, 50), 0xFF0000ul);
  EXPECT_EQ(OnScreen(x.display, bounds.w - 10, bounds.h / 2), 0x0000FFul);

  // The events of the move, the resize and the map change nothing.
  XSync(x.display, False);
  SDL_PumpEvents();
  backend->DrawNow();
  SDL_DelEventWatch(watch, &sizes);
  for (const SDL_Point& size : sizes) {
    EXPECT_EQ(size.x, bounds.w);
    EXPECT_EQ(size.y, bounds.h);
  }
  frame = SDL_GetWindowSurface(backend->sdl_window());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->w, bounds.w);
  EXPECT_EQ(frame->h, bounds.h);
}

// The first frame, presented just after the server mapped the window and
// painted it black, must be on the screen exactly as drawn.
TEST_F(BareXServer, TheFirstFrameOnTheServersBlackShowsAllThatWasDrawn) {
  SdlBackend* backend = backend_.get();
  int width = backend->ScreenWidthPx(), height = backend->ScreenHeightPx();

  Window model(*backend, width, height);
  model.SetBackColor(kBlack);
  Label page(model, "Lbl", true);
  page.SetForeColor(kWhite);
  page.SetCaption(u"一行目です。\r\n二行目、少し長い行です。");
  page.Move(1500, 6000, 9000, 3000);
  Label opaque(model, "Box", false);
  opaque.SetBackColor(Color{255, 0, 0});
  opaque.Move(9000, 1500, 1500, 1500);
  CommandButton button(model, "Btn");
  button.SetBackColor(Color{200, 200, 255});
  button.SetCaption(u"お兄さん");
  button.Move(150, 150, 1500, 450);
  backend->Attach(model);
  backend->DrawNow();

  std::vector<uint32_t> frame(size_t(width) * height);
  ASSERT_EQ(SDL_RenderReadPixels(backend->renderer(), nullptr, SDL_PIXELFORMAT_RGB888, frame.data(),
                                 width * 4),
            0)
      << SDL_GetError();
  XImage* screen = XGetImage(x_.display, DefaultRootWindow(x_.display), 0, 0, unsigned(width),
                             unsigned(height), AllPlanes, ZPixmap);
  ASSERT_NE(screen, nullptr);
  int differ = 0, drawn = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t want = frame[size_t(y) * width + x] & 0xFFFFFF;
      if (want != 0) ++drawn;
      if ((XGetPixel(screen, x, y) & 0xFFFFFF) != want) ++differ;
    }
  }
  XDestroyImage(screen);
  EXPECT_GT(drawn, 100 * 100) << "the frame has next to nothing on it";
  EXPECT_EQ(differ, 0) << "pixels of the screen unlike the frame";
}

// The desktop's scale as a new window finds it: Xft.dpi from the X
// resources when they set it, otherwise the DPI of the server's screen;
// the window model's twips follow.
TEST(DesktopScale, XftDpiFromTheResourcesElseTheScreensDpi) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) GTEST_SKIP() << "no X display";
  const ::Window root = DefaultRootWindow(display);
  auto open = [] {
    SdlBackend::Options options;
    options.fullscreen = false;
    std::string why;
    std::unique_ptr<SdlBackend> backend = SdlBackend::Create(options, &why);
    EXPECT_TRUE(backend) << why;
    return backend;
  };

  const std::string resources = "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n";
  XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()),
                  static_cast<int>(resources.size()));
  XSync(display, False);
  if (std::unique_ptr<SdlBackend> backend = open()) {
    EXPECT_EQ(backend->painter().dpi(), 192.0);
    EXPECT_EQ(backend->painter().PixelSize(9), 24);
    Window model(*backend, backend->ScreenWidthPx(), backend->ScreenHeightPx());
    backend->Attach(model);
    EXPECT_DOUBLE_EQ(model.TwipsPerPixel(), 7.5);
  }

  XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
  XSync(display, False);
  const int screen = DefaultScreen(display);
  const double reported = DisplayHeight(display, screen) * 25.4 / DisplayHeightMM(display, screen);
  if (std::unique_ptr<SdlBackend> backend = open()) {
    EXPECT_NEAR(backend->painter().dpi(), reported, 0.01);
    EXPECT_NE(backend->painter().dpi(), 192.0);
  }
  XCloseDisplay(display);
}

}  // namespace
}  // namespace yomite::ui::sdl
