#include "app/player/story_search.h"

#include <sys/stat.h>

#include "base/text.h"
#include "platform/story_folder.h"

namespace yomite::player {

namespace {

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  std::string base = WithoutTrailingSlashes(folder);
  return base == "/" ? base + name : base + "/" + name;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

// Splits a colon-separated list, keeping absolute entries only, as the XDG
// base directory rules ask.
std::vector<std::string> AbsoluteEntries(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(start, end - start);
    if (IsAbsolute(entry)) entries.push_back(entry);
    start = end + 1;
  }
  return entries;
}

std::string Env(const StoryPlaces& places, const char* name) {
  const char* value = places.getenv ? places.getenv(name) : nullptr;
  return value ? value : "";
}

// The data folder of the prefix the program is installed under, found from
// where it runs, so that a copy installed with another prefix finds its own
// story; the configured one when the program is not in an install layout.
std::string InstalledDataFolder(const StoryPlaces& places) {
  if (!IsAbsolute(places.bindir) && !IsAbsolute(places.datadir) &&
      IsAbsolute(places.program_folder)) {
    std::string folder = WithoutTrailingSlashes(places.program_folder);
    std::string suffix = "/" + WithoutTrailingSlashes(places.bindir);
    if (folder.size() >= suffix.size() &&
        folder.compare(folder.size() - suffix.size(), suffix.size(), suffix) == 0) {
      std::string prefix = folder.substr(0, folder.size() - suffix.size());
      return Join(prefix.empty() ? "/" : prefix, places.datadir);
    }
  }
  return places.configured_datadir;
}

}  // namespace

bool HoldsStory(const std::string& folder) {
  if (!IsFolder(folder)) return false;
  const platform::StoryFolder dat(folder);
  std::optional<std::string> first = dat.Resolve(dat.dat_path() + u"opn.dat");
  // A FIFO or a device there is the story's, and opening it is the error
  // the tools give too (75), not a reason to look for another story.
  struct stat st;
  return first && ::stat(first->c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

StorySearch FindStory(const StoryPlaces& places) {
  std::vector<std::string> candidates;
  if (places.argument) {
    candidates.push_back(Join(*places.argument, "dat"));
    candidates.push_back(WithoutTrailingSlashes(*places.argument));
  } else {
    if (!places.program_folder.empty()) candidates.push_back(Join(places.program_folder, "dat"));
    std::string data_home = Env(places, "XDG_DATA_HOME");
    if (!IsAbsolute(data_home)) {
      std::string home = Env(places, "HOME");
      data_home = IsAbsolute(home) ? Join(home, ".local/share") : "";
    }
    if (!data_home.empty()) candidates.push_back(Join(data_home, "yomite/dat"));
    std::vector<std::string> data_dirs = AbsoluteEntries(Env(places, "XDG_DATA_DIRS"));
    if (data_dirs.empty()) data_dirs = {"/usr/local/share", "/usr/share"};
    for (const std::string& d : data_dirs) candidates.push_back(Join(d, "yomite/dat"));
    candidates.push_back(Join(InstalledDataFolder(places), "yomite/dat"));
  }

  StorySearch search;
  for (const std::string& c : candidates) {
    bool seen = false;
    for (const std::string& l : search.looked_at) seen = seen || l == c;
    if (seen) continue;
    search.looked_at.push_back(c);
    if (HoldsStory(c)) {
      search.dat = c;
      break;
    }
  }
  return search;
}

std::string NotFoundMessage(const StorySearch& search) {
  std::string message =
      "no story to play: none of these folders holds its first script, opn.dat:\n";
  for (const std::string& l : search.looked_at) message += "  " + l + "\n";
  return message;
}

}  // namespace yomite::player
