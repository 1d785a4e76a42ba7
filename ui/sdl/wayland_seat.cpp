#include "ui/sdl/wayland_seat.h"

#include <wayland-client.h>

#include <cstring>

namespace yomite::ui::sdl {

namespace {

void OnGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  if (std::strcmp(interface, "wl_seat") == 0) *static_cast<bool*>(data) = true;
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kListener{OnGlobal, OnGlobalRemove};

}  // namespace

std::optional<bool> WaylandOffersSeat() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return std::nullopt;
  bool seat = false;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kListener, &seat);
  // One round trip: the compositor announces every global before it
  // answers.
  bool answered = wl_display_roundtrip(display) >= 0;
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  if (!answered) return std::nullopt;
  return seat;
}

}  // namespace yomite::ui::sdl
