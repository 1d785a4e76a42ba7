#include "ui/sdl/wayland_display.h"

#include <SDL_syswm.h>
#include <wayland-client.h>

namespace yomite::ui::sdl {

bool WaylandDisplayLost(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND ||
      !info.info.wl.display) {
    return false;
  }
  return wl_display_get_error(info.info.wl.display) != 0;
}

std::string WaylandDisplayName() {
  const char* name = SDL_getenv("WAYLAND_DISPLAY");
  return name && *name ? name : "wayland-0";
}

}  // namespace yomite::ui::sdl
