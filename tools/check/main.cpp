#include <iostream>

#include "base/last_resort.h"
#include "tools/check/checker.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return yomite::RunToEnd("yomite-check",
                          [&] { return yomite::check::RunCheck(args, std::cout, std::cerr); });
}
