#include "ui/sdl/end_request.h"

#include <SDL.h>

#include "base/end_signals.h"

namespace yomite::ui::sdl {

namespace {

// Events looked at per kind; a flood of other events of the same kind
// ahead of the one that ends hides it only until the next look.
constexpr int kPeekedPerKind = 64;

template <typename Match>
bool QueueHolds(uint32_t type, Match match) {
  SDL_Event events[kPeekedPerKind];
  int n = SDL_PeepEvents(events, kPeekedPerKind, SDL_PEEKEVENT, type, type);
  for (int i = 0; i < n; ++i) {
    if (match(events[i])) return true;
  }
  return false;
}

}  // namespace

void CatchEndSignalsBeforeSdl() {
  // SDL would turn SIGTERM and SIGINT into a quit event of its own, seen
  // only when the queue is next read, and leave SIGHUP to end us at once.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  CatchEndSignals();
}

bool QueueAsksToEnd(const std::function<bool(int x, int y)>& on_end) {
  SDL_PumpEvents();
  return QueueHolds(SDL_QUIT, [](const SDL_Event&) { return true; }) ||
         QueueHolds(SDL_WINDOWEVENT,
                    [](const SDL_Event& e) { return e.window.event == SDL_WINDOWEVENT_CLOSE; }) ||
         QueueHolds(SDL_MOUSEBUTTONDOWN, [&](const SDL_Event& e) {
           return e.button.button == SDL_BUTTON_LEFT && on_end(e.button.x, e.button.y);
         });
}

}  // namespace yomite::ui::sdl
