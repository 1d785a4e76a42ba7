// The desktop's scale as dots per inch: what the desktop's own programs
// size their text by, and so what points are turned into pixels with.
#pragma once

#include <SDL.h>

#include <optional>
#include <string_view>

namespace yomite::ui::sdl {

inline constexpr double kStandardDpi = 96.0;

// The value of Xft.dpi in the text of the X resources (the last one set
// wins, as in the resource database); nullopt when it is not set or is not
// a usable number.
std::optional<double> XftDpi(std::string_view resources);

// The screen's DPI from its size in pixels and millimetres; nullopt when
// the millimetres are unknown or give an unusable number.
std::optional<double> ScreenDpi(int pixels, int millimetres);

// On X11: Xft.dpi where the X resources set it, otherwise the DPI the X
// server reports for the window's screen; elsewhere, or when neither is
// usable, 96.
double DesktopDpi(SDL_Window* window);

}  // namespace yomite::ui::sdl
