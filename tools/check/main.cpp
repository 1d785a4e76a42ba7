#include <iostream>

#include "platform/render/jpeg_loader.h"
#include "tools/check/checker.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Pictures are decoded whole, as the player decodes them: a file with a
  // good header and broken data fails here as it would in the game.
  return yomite::check::RunCheck(args, std::cout, std::cerr, [](const yomite::Text& dat_path) {
    return std::make_unique<yomite::platform::JpegPictureLoader>(dat_path);
  });
}
