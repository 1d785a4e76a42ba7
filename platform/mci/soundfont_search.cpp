#include "platform/mci/soundfont_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/printable.h"
#include "base/runtime_error.h"
#include "platform/story_folder.h"

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

std::string SoundFontProblem(const std::string& path) {
  const std::string name = Printable(path);
  try {
    FileDescriptor fd = OpenRegularFile(path, name);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throw FileError(errno, name);
    if (static_cast<uint64_t>(st.st_size) > kMaxSoundFontBytes) {
      return name + " is larger than " + std::to_string(kMaxSoundFontBytes >> 20) + " MB";
    }
    char head[12] = {};
    size_t got = 0;
    while (got < sizeof head) {
      const ssize_t n = ::read(fd.get(), head + got, sizeof head - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw FileError(errno, name);
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    if (got < sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "sfbk", 4) != 0) {
      return name + " is not a soundfont";
    }
    return {};
  } catch (const RuntimeError& e) {
    return e.number() == err::kFileNotFound ? name + " was not found" : e.message();
  }
}

std::string JoinPaths(const std::vector<std::string>& paths) {
  std::string joined;
  for (const std::string& p : paths) {
    if (!joined.empty()) joined += ", ";
    joined += Printable(p);
  }
  return joined.empty() ? "nowhere" : joined;
}

}  // namespace yomite::platform::mci
