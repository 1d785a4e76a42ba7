#pragma once

#include <SDL.h>

namespace yomite::ui::sdl {

// The program's 32 by 32 icon: a sprig of mimosa, yellow blossoms on a
// green stem over a dark round tile. The caller frees the surface.
SDL_Surface* MakeIcon();

}  // namespace yomite::ui::sdl
