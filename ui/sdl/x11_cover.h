#pragma once

#include <SDL.h>

namespace yomite::ui::sdl {

// True on an X server with no window manager running (a bare X server, as
// in tests and benchmarks). There nobody would honour a request to make a
// window full screen: SDL sends it, then polls 100 ms for an answer that
// never comes, and the window keeps its restored size.
bool X11WithoutWindowManager(SDL_Window* window);

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

}  // namespace yomite::ui::sdl
