// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP), taken
// as a request rather than a kill, so that the program ends where it may:
// between two steps, with whole lines of output and no file half written.
#pragma once

namespace yomite {

// From now on those signals only note that the program is to end.
void CatchEndSignals();

// The last of those signals caught, or 0.
int CaughtEndSignal();

// While one lives, nothing is half done (e.g. the program waits for input,
// its output written): such a signal ends the program at once, with exit
// status 128 + the signal, as does one caught before it was made.
class EndAtOnceOnSignal {
 public:
  EndAtOnceOnSignal();
  ~EndAtOnceOnSignal();
  EndAtOnceOnSignal(const EndAtOnceOnSignal&) = delete;
  EndAtOnceOnSignal& operator=(const EndAtOnceOnSignal&) = delete;
};

}  // namespace yomite
