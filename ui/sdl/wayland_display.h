// The Wayland connection behind a window, for what SDL does not tell.
#pragma once

#include <SDL.h>

#include <string>

namespace yomite::ui::sdl {

// Whether the window's connection to its Wayland compositor is broken (the
// compositor ended or was killed). SDL turns that into a plain quit
// request; false when the window is not on Wayland.
bool WaylandDisplayLost(SDL_Window* window);

// The compositor's name as WAYLAND_DISPLAY gives it, or its default.
std::string WaylandDisplayName();

}  // namespace yomite::ui::sdl
