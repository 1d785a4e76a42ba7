#include "platform/story_paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "platform/cp932.h"

namespace yomite::platform {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Simple case folding for the letters a story's file names use: ASCII,
// fullwidth Latin, Latin-1, Greek and Cyrillic. Kana and kanji have no case.
char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 32;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;                 // Ａ..Ｚ
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;        // À..Þ
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;     // Α..Ω
  if (c >= 0x410 && c <= 0x42F) return c + 32;                   // А..Я
  return c;
}

bool EqualsIgnoringCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

Text EntryName(const char* native) {
  std::string_view bytes(native);
  return IsValidUtf8(bytes) ? FromUtf8(bytes) : cp932::Decode(bytes);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Finds one component of a story path inside folder; returns the native name.
std::optional<std::string> FindComponent(const std::string& folder, const Text& component) {
  std::string utf8 = ToUtf8(component);
  if (Exists(Join(folder, utf8))) return utf8;
  if (auto raw = cp932::Encode(component); raw && *raw != utf8 && Exists(Join(folder, *raw))) {
    return *raw;
  }
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::nullopt;
  std::optional<std::string> best;
  while (dirent* entry = ::readdir(dir)) {
    if (EqualsIgnoringCase(EntryName(entry->d_name), component)) {
      // Several entries may differ only in case: take the same one every time.
      if (!best || std::string(entry->d_name) < *best) best = entry->d_name;
    }
  }
  ::closedir(dir);
  return best;
}

}  // namespace

Text MakeDatPath(const Text& program_folder) {
  Text path = program_folder;
  if (path.empty() || path.back() != u'/') path += u'/';
  return path + u"dat/";
}

Text StoryRelativeName(const Text& dat_path, const Text& full_path) {
  if (full_path.compare(0, dat_path.size(), dat_path) == 0) return full_path.substr(dat_path.size());
  return full_path;
}

std::optional<std::string> ResolveStoryFile(const Text& dat_path, const Text& full_path) {
  if (full_path.find(u'\0') != Text::npos) return std::nullopt;
  if (full_path.compare(0, dat_path.size(), dat_path) != 0) {
    std::string native = ToUtf8(full_path);
    return Exists(native) ? std::optional(native) : std::nullopt;
  }
  std::string folder = ToUtf8(dat_path);
  Text rest = full_path.substr(dat_path.size());
  // Scripts written on Windows name sub-folders with backslashes.
  for (char16_t& c : rest) {
    if (c == u'\\') c = u'/';
  }
  std::vector<Text> components;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t slash = rest.find(u'/', start);
    if (slash == Text::npos) slash = rest.size();
    Text part = rest.substr(start, slash - start);
    if (!part.empty()) components.push_back(part);
    start = slash + 1;
  }
  if (components.empty()) return std::nullopt;
  std::string path = folder;
  for (const Text& component : components) {
    auto found = FindComponent(path, component);
    if (!found) return std::nullopt;
    path = Join(path, *found);
  }
  return path;
}

}  // namespace yomite::platform
