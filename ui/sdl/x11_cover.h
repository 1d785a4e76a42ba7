#pragma once

#include <SDL.h>

namespace yomite::ui::sdl {

// SDL asks the window manager to make a window full screen. With no window
// manager running (a bare X server, as in tests) nobody does, and the
// window keeps its restored size while SDL reports the full screen; then
// this moves and sizes it over the display itself. Does nothing on other
// video drivers or when a window manager is there.
void CoverDisplayWithoutWindowManager(SDL_Window* window);

}  // namespace yomite::ui::sdl
