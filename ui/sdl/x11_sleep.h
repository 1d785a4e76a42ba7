#pragma once

#include <SDL.h>

#include <memory>

namespace yomite::ui::sdl {

// Sleeping until a timer is due, on the X connection itself. Asking SDL to
// wait costs about fifteen system calls on every wake-up (it pumps the
// whole event machinery before and after); a timer that ticks sixty times
// a second while the reader looks at the page makes that most of the
// program's idle cost. This checks for input with one read and one poll.
class X11Sleeper {
 public:
  // Null when the window is not on X11.
  static std::unique_ptr<X11Sleeper> For(SDL_Window* window);
  ~X11Sleeper();

  // Sleeps up to timeout_ms. True when the time passed with nothing from
  // the X server; false when there is something (or a signal came), which
  // SDL should then read.
  bool SleepIfIdle(int timeout_ms);

 private:
  X11Sleeper() = default;
  void* display_ = nullptr;  // Display*, kept opaque to spare users Xlib's macros
  int fd_ = -1;
};

}  // namespace yomite::ui::sdl
