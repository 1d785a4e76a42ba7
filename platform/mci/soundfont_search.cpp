#include "platform/mci/soundfont_search.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace yomite::platform::mci {

std::vector<std::string> DefaultSoundFontSearchPath() {
  const char* setting = std::getenv("SDL_SOUNDFONTS");
  if (setting != nullptr && *setting != '\0') {
    std::vector<std::string> paths;
    std::string current;
    for (const char* p = setting;; ++p) {
      if (*p == ':' || *p == ';' || *p == '\0') {
        if (!current.empty()) paths.push_back(current);
        current.clear();
        if (*p == '\0') break;
      } else {
        current += *p;
      }
    }
    return paths;
  }
  return {
      "/usr/share/sounds/sf2/TimGM6mb.sf2",          "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",        "/usr/share/sounds/sf3/default-GM.sf3",
      "/usr/share/sounds/sf3/MuseScore_General.sf3", "/usr/share/soundfonts/default.sf2",
      "/usr/share/soundfonts/FluidR3_GM.sf2",        "/usr/local/share/soundfonts/default.sf2",
  };
}

bool LooksLikeSoundFont(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[12] = {};
  if (!in.read(head, sizeof head)) return false;
  return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

std::string JoinPaths(const std::vector<std::string>& paths) {
  std::string joined;
  for (const std::string& p : paths) {
    if (!joined.empty()) joined += ", ";
    joined += p;
  }
  return joined.empty() ? "nowhere" : joined;
}

}  // namespace yomite::platform::mci
