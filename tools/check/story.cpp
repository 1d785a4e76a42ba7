#include "tools/check/story.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/runtime_error.h"
#include "platform/cp932.h"
#include "platform/line_reader.h"
#include "platform/script_files.h"

namespace yomite::check {

namespace fs = std::filesystem;

namespace {

bool HasExtension(const fs::path& path, TextView extension) {
  return EqualsIgnoringCase(platform::NameAsText(path.extension().string()), extension);
}

// What a run-time error's message adds to its standard text and to the
// name of the file, e.g. "it is a folder"; empty when nothing.
std::string Reason(const RuntimeError& e, const std::string& file) {
  std::string rest = e.message();
  std::string standard = std::string(StandardMessage(e.number())) + ": ";
  if (rest.rfind(standard, 0) == 0) rest = rest.substr(standard.size());
  if (rest == StandardMessage(e.number())) rest.clear();
  if (rest.rfind(file, 0) == 0) {
    rest = rest.substr(file.size());
    if (rest.rfind(": ", 0) == 0) rest = rest.substr(2);
    if (rest.rfind(' ', 0) == 0) rest = "it" + rest;
  }
  return rest;
}

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Edits of one character (insert, delete, change) from a to b, ignoring
// case; limit + 1 when more than limit.
size_t EditDistance(TextView a, TextView b, size_t limit) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return limit + 1;
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    size_t best = row[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (Fold(a[i - 1]) == Fold(b[j - 1]) ? 0 : 1)});
      diagonal = up;
      best = std::min(best, row[j]);
    }
    if (best > limit) return limit + 1;
  }
  return row[b.size()];
}

}  // namespace

StoryFolder::StoryFolder(std::string dir) : dir_(std::move(dir)), files_(dir_), pictures_(files_) {
  while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();

  // The tree is walked with a list of the folders still to read, one folder
  // open at a time: no recursion and no descriptor per level, however deep.
  // A path longer than the system allows is one the player cannot open
  // either, and is left out; links to folders are not followed.
  std::vector<std::pair<std::string, std::string>> scripts, pictures_found;
  std::vector<std::string> folders{dir_};
  while (!folders.empty()) {
    const std::string folder = std::move(folders.back());
    folders.pop_back();
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing) continue;
    while (const dirent* entry = ::readdir(listing.get())) {
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string native = folder + "/" + std::string(name);
      if (native.size() >= PATH_MAX) continue;
      unsigned char type = entry->d_type;
      struct stat st;
      if (type == DT_UNKNOWN || type == DT_LNK) {
        // A link counts as what it leads to, except a folder.
        if (::lstat(native.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
          type = ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
        } else {
          type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
      }
      if (type == DT_DIR) {
        folders.push_back(std::move(native));
        continue;
      }
      if (type != DT_REG) continue;
      const fs::path path(native);
      if (HasExtension(path, u".dat")) {
        scripts.emplace_back(RelativeName(native), std::move(native));
      } else if (HasExtension(path, u".jpg")) {
        pictures_found.emplace_back(RelativeName(native), std::move(native));
      }
    }
  }
  std::sort(scripts.begin(), scripts.end());
  std::sort(pictures_found.begin(), pictures_found.end());
  for (auto& [name, native] : scripts) script_files_.push_back(native);
  for (auto& [name, native] : pictures_found) picture_files_.push_back(native);
}

std::string StoryFolder::RelativeName(const std::string& native) const {
  std::string rest = native;
  if (native.size() > dir_.size() && native.compare(0, dir_.size(), dir_) == 0 &&
      native[dir_.size()] == '/') {
    rest = native.substr(dir_.size() + 1);
  }
  std::string out;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t slash = rest.find('/', start);
    if (slash == std::string::npos) slash = rest.size();
    if (!out.empty() || start > 0) out += '/';
    out += ToUtf8(platform::NameAsText(rest.substr(start, slash - start)));
    start = slash + 1;
  }
  return out;
}

ReadError StoryFolder::ReadLines(const std::string& native, const LineVisitor& line) const {
  ReadError error;
  std::string name = RelativeName(native);
  try {
    platform::LineReader lines(platform::OpenRegularFile(native, name), name);
    try {
      for (long number = 1; !lines.AtEnd(); ++number) {
        std::string raw = lines.ReadLine();
        if (!line(number, raw, cp932::Decode(raw))) break;
      }
    } catch (const RuntimeError& e) {
      // The player stops at this line; what comes before it is checked.
      error.number = e.number();
      error.message = e.message();
      error.line = lines.lines_read() + 1;
    }
  } catch (const RuntimeError&) {
    // Not opened: whoever names the file hears why from OpenScript.
  }
  return error;
}

NearName StoryFolder::Nearest(const Text& name, TextView extension) const {
  NearName near;
  size_t slash = name.rfind(u'\\');
  Text folder_part = slash == Text::npos ? Text() : name.substr(0, slash);
  Text stem = slash == Text::npos ? name : name.substr(slash + 1);
  auto folder = folder_part.empty() ? std::optional<std::string>(dir_) : Resolve(folder_part);
  if (!folder || stem.empty() || ++names_suggested_ > kMaxNamesSuggested) return near;
  auto [cached, fresh] = entries_for_hints_.try_emplace(*folder);
  if (fresh) {
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder->c_str()), ::closedir);
    while (const dirent* entry = listing ? ::readdir(listing.get()) : nullptr) {
      if (cached->second.size() >= kMaxEntriesCompared) break;
      cached->second.emplace_back(entry->d_name);
    }
  }
  const bool picture = EqualsIgnoringCase(extension, u".jpg");
  // The smallest edit count, then the first entry in byte order.
  size_t best = kMaxNameEdits + 1;
  std::string best_bytes;
  for (const std::string& bytes : cached->second) {
    Text entry_name = platform::NameAsText(bytes);
    size_t dot = entry_name.rfind(u'.');
    if (dot == Text::npos || dot == 0) continue;
    TextView entry_stem = TextView(entry_name).substr(0, dot);
    TextView entry_ext = TextView(entry_name).substr(dot);
    bool other_ext = !EqualsIgnoringCase(entry_ext, extension);
    if (other_ext && !(picture && (EqualsIgnoringCase(entry_ext, u".jpeg") ||
                                   EqualsIgnoringCase(entry_ext, u".jpe") ||
                                   EqualsIgnoringCase(entry_ext, u".jfif")))) {
      continue;
    }
    size_t edits = EditDistance(stem, entry_stem, kMaxNameEdits);
    if (other_ext && edits > 0) continue;  // one mistake at a time
    // A name of a character or two is near to everything.
    if (!other_ext && (edits == 0 || edits * 3 > stem.size())) continue;
    if (edits < best || (edits == best && bytes < best_bytes)) {
      best = edits;
      best_bytes = bytes;
      near.same_stem = other_ext;
      near.name = (folder_part.empty() ? Text() : folder_part + u"\\") + Text(entry_stem);
      near.file = RelativeName(*folder + "/" + bytes);
    }
  }
  return near;
}

std::optional<std::string> StoryFolder::Resolve(const Text& relative) const {
  return files_.Resolve(files_.dat_path() + relative);
}

const OpenResult& StoryFolder::OpenScript(const Text& name) {
  auto found = opened_scripts_.find(name);
  if (found != opened_scripts_.end()) return found->second;
  OpenResult result;
  Text path = files_.dat_path() + name + u".dat";
  try {
    // The player's own reader decides whether the file opens.
    platform::ScriptFiles files(files_);
    files.OpenForInput(path, 1);
    files.Close(1);
    result.native = files_.Resolve(path).value_or("");
  } catch (const RuntimeError& e) {
    result.error = e.number();
    result.detail = Reason(e, ToUtf8(name + u".dat"));
  }
  return opened_scripts_.emplace(name, std::move(result)).first->second;
}

const OpenResult& StoryFolder::LoadPicture(const Text& name) {
  auto found = loaded_pictures_.find(name);
  if (found != loaded_pictures_.end()) return found->second;
  OpenResult result;
  Text path = files_.dat_path() + name + u".jpg";
  try {
    platform::PicturePtr picture = pictures_.LoadPicture(path);
    result.warning = picture->warning;
    result.work = picture->DecodeWork();
    result.native = files_.Resolve(path).value_or("");
    if (!result.warning.empty()) picture_warnings_[result.native] = result.warning;
  } catch (const RuntimeError& e) {
    result.error = e.number();
    result.detail = Reason(e, ToUtf8(name + u".jpg"));
    // A picture that exists but does not decode is still a file the story uses.
    result.native = files_.Resolve(path).value_or("");
  }
  return loaded_pictures_.emplace(name, std::move(result)).first->second;
}

const std::string* StoryFolder::PictureWarning(const std::string& native) const {
  auto found = picture_warnings_.find(native);
  return found == picture_warnings_.end() ? nullptr : &found->second;
}

}  // namespace yomite::check
