// The X11 display and window behind an SDL window, for the few things SDL
// does not do the way we need. Includes Xlib: include it last.
#pragma once

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <optional>

namespace yomite::ui::sdl {

struct X11Native {
  Display* display;
  ::Window window;
};

// Empty when the window is not on X11.
inline std::optional<X11Native> NativeX11(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return std::nullopt;
  return X11Native{info.info.x11.display, info.info.x11.window};
}

}  // namespace yomite::ui::sdl
