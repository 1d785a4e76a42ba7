#include <iostream>

#include "base/end_signals.h"
#include "base/last_resort.h"
#include "tools/trace/trace_runner.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // SIGTERM, SIGINT and SIGHUP end a long trace at its next step, the
  // transcript whole up to there, with status 128 + the signal.
  yomite::CatchEndSignals();
  std::vector<std::string> args(argv + 1, argv + argc);
  return yomite::RunToEnd("yomite-trace", [&] {
    return yomite::trace::RunTrace(args, std::cin, std::cout, std::cerr);
  });
}
