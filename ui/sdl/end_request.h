// Ending the program while a long action runs: the signals that ask it to
// end, and the requests to end that wait in SDL's queue (a quit, a close
// of the window, a press on End), seen without taking anything from it.
#pragma once

#include <functional>

namespace yomite::ui::sdl {

// From now on SIGTERM, SIGINT and SIGHUP only note that the program is to
// end; SDL is told to leave them alone. Call before SDL is initialised.
void CatchEndSignals();

// The last of those signals caught, or 0.
int CaughtEndSignal();

// True when SDL's queue holds a quit, a close of a window, or a left press
// for which on_end(x, y) (window coordinates) says it is on End. Reads what
// the window system has sent; every event stays in the queue.
bool QueueAsksToEnd(const std::function<bool(int x, int y)>& on_end);

}  // namespace yomite::ui::sdl
