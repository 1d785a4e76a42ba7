#pragma once

#include <SDL.h>

namespace yomite::ui::sdl {

// The program's icon (ui/icon_art.h) at 32 by 32, for the window. The
// caller frees the surface.
SDL_Surface* MakeIcon();

}  // namespace yomite::ui::sdl
