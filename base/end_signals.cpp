#include "base/end_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace yomite {

namespace {

std::atomic<int> caught_signal{0};
std::atomic<bool> end_at_once{false};

void NoteSignal(int signal) {
  caught_signal.store(signal, std::memory_order_relaxed);
  if (end_at_once.load(std::memory_order_relaxed)) _exit(128 + signal);
}

}  // namespace

void CatchEndSignals() {
  struct sigaction action {};
  action.sa_handler = &NoteSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait for the window system returns at once.
  action.sa_flags = 0;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

int CaughtEndSignal() { return caught_signal.load(std::memory_order_relaxed); }

EndAtOnceOnSignal::EndAtOnceOnSignal() {
  end_at_once.store(true);
  // One that came just before is answered now.
  if (int signal = CaughtEndSignal()) _exit(128 + signal);
}

EndAtOnceOnSignal::~EndAtOnceOnSignal() { end_at_once.store(false); }

}  // namespace yomite
