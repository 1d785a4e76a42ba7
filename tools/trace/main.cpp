#include <iostream>

#include "base/last_resort.h"
#include "tools/trace/trace_runner.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return yomite::RunToEnd("yomite-trace", [&] {
    return yomite::trace::RunTrace(args, std::cin, std::cout, std::cerr);
  });
}
