// yomite-icon SIZE FILE: writes the program's icon as a SIZE by SIZE PNG.
// The build runs it to make the icon files it installs.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/icon/png.h"
#include "ui/icon_art.h"

int main(int argc, char** argv) {
  int size = 0;
  if (argc != 3 ||
      std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), size).ec != std::errc() ||
      size < 1 || size > 1024) {
    std::fputs("usage: yomite-icon SIZE FILE (SIZE from 1 to 1024)\n", stderr);
    return 2;
  }
  std::string png = yomite::icon::EncodePng(yomite::ui::DrawIcon(size), size, size);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  out.close();
  if (png.empty() || !out) {
    std::fprintf(stderr, "yomite-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
