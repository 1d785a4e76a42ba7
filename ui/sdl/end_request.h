// Ending the program while a long action runs: the requests to end that
// wait in SDL's queue (a quit, a close of the window, a press on End), seen
// without taking anything from it. The signals are base/end_signals.h.
#pragma once

#include <functional>

namespace yomite::ui::sdl {

// CatchEndSignals, with SDL told to leave those signals alone. Call before
// SDL is initialised.
void CatchEndSignalsBeforeSdl();

// True when SDL's queue holds a quit, a close of a window, or a left press
// for which on_end(x, y) (window coordinates) says it is on End. Reads what
// the window system has sent; every event stays in the queue.
bool QueueAsksToEnd(const std::function<bool(int x, int y)>& on_end);

}  // namespace yomite::ui::sdl
