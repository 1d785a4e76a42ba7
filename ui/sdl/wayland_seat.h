#pragma once

#include <optional>

namespace yomite::ui::sdl {

// Whether the Wayland compositor WAYLAND_DISPLAY names offers a seat (a
// pointer or keyboard); empty when it cannot be reached. SDL 2.26 crashes
// in its video start-up on a compositor without one (weston's headless
// back end); asked first, the player can say so and end.
std::optional<bool> WaylandOffersSeat();

}  // namespace yomite::ui::sdl
