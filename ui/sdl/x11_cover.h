#pragma once

#include <SDL.h>

#include <memory>
#include <string_view>

namespace yomite::ui::sdl {

// True on an X server with no window manager running (a bare X server, as
// in tests and benchmarks). There nobody would honour a request to make a
// window full screen: SDL sends it, then polls 100 ms for an answer that
// never comes, and the window keeps its restored size. A window manager
// that died and left its properties on the root window counts as none.
bool X11WithoutWindowManager(SDL_Window* window);

// The X screen a display name names: 1 for ":0.1" or "host:10.1", 0 when
// it names none (":0") or is not a display name.
int ScreenOfDisplayName(std::string_view name);

// Moves and sizes a window over the whole of its display itself, with no
// full-screen request, and has SDL read the size back. For a display
// without a window manager.
void CoverDisplay(SDL_Window* window);

// Has the X server fill the window with black wherever it shows it before
// we have drawn, instead of leaving what lay beneath. False on other video
// drivers.
bool X11FillsWithBlack(SDL_Window* window);

// Asks the X server to map the window and returns at once, where SDL would
// wait until the server has done it. False on other video drivers.
bool X11MapWithoutWaiting(SDL_Window* window);

// Keeps a window over its whole X screen whatever happens after it was
// shown: a window manager that starts late, dies or is replaced, and a
// change of the screen's size (RandR). It watches the root window; the
// events SDL passes on (SDL_SYSWMEVENT) say when to cover the screen again.
class X11Cover {
 public:
  // Null when the window is not on X11. Declares the window full screen in
  // its own properties, so that a window manager that comes later takes it
  // as such from the start.
  static std::unique_ptr<X11Cover> For(SDL_Window* window);
  ~X11Cover();
  X11Cover(const X11Cover&) = delete;
  X11Cover& operator=(const X11Cover&) = delete;

  // True when this event may have left the window short of the screen.
  bool Concerns(const SDL_SysWMmsg* msg) const;
  // Covers the screen again: asks a live window manager for full screen,
  // or moves and sizes the window itself when there is none. Returns the
  // screen's size.
  void Cover(int* screen_width, int* screen_height);
  // True when, with no EWMH window manager to ask, the window is not shown
  // over the whole screen. A window manager (twm) that starts just as the
  // window is mapped can take it into a frame without the move reaching
  // us as an event; asked now and then, this catches it.
  bool Misplaced() const;
  // Brings the window back from minimized and to the front, asking the
  // window manager as a task bar would, without waiting for it.
  void Reveal();

 private:
  X11Cover() = default;
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace yomite::ui::sdl
