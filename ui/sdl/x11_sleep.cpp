#include "ui/sdl/x11_sleep.h"

#include <poll.h>

#include "ui/sdl/x11_native.h"

namespace yomite::ui::sdl {

std::unique_ptr<X11Sleeper> X11Sleeper::For(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  if (!x) return nullptr;
  std::unique_ptr<X11Sleeper> sleeper(new X11Sleeper());
  sleeper->display_ = x->display;
  sleeper->fd_ = ConnectionNumber(x->display);
  return sleeper;
}

X11Sleeper::~X11Sleeper() = default;

bool X11Sleeper::SleepIfIdle(int timeout_ms) {
  auto* display = static_cast<Display*>(display_);
  XFlush(display);
  // Events Xlib or xcb have already read would not wake the poll.
  if (XEventsQueued(display, QueuedAfterReading) > 0) return false;
  pollfd p{fd_, POLLIN, 0};
  return poll(&p, 1, timeout_ms) == 0;
}

}  // namespace yomite::ui::sdl
