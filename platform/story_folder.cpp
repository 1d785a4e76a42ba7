#include "platform/story_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/printable.h"
#include "platform/cp932.h"

namespace yomite::platform {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A listing read within this time of the folder's last change may miss an
// entry made in the same tick of the file system's clock: such a listing is
// read again when a name is not found in it.
constexpr time_t kRacySeconds = 2;

// A modification time in the future is not racy: any change made now sets
// it to the present, which differs from it, and is seen as a change.
// Counting it racy would read the folder again for every missing name.
bool IsRacy(const timespec& modified) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const time_t age = now.tv_sec - modified.tv_sec;
  return age >= 0 && age <= kRacySeconds;
}

RuntimeError NotRegular(const struct stat& st, const std::string& name) {
  if (S_ISDIR(st.st_mode)) return RuntimeError(err::kPathAccess, name + " is a folder");
  const char* what = S_ISFIFO(st.st_mode)                         ? "a FIFO"
                     : S_ISSOCK(st.st_mode)                       ? "a socket"
                     : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                                                                  : "not a regular file";
  return RuntimeError(err::kPathAccess, name + " is " + what);
}

// A story folder as native text: the folder's parts joined, "" for the
// current folder, otherwise ending in '/'.
std::string FolderPrefix(std::string native) {
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty() || native == ".") return "./";
  if (native == "/") return native;
  return native + "/";
}

// The fewest bytes a name can take in either encoding a file's name is
// looked for in: an ASCII or half-width katakana character is one byte in
// code page 932, anything else at least two in it or in UTF-8.
size_t FewestBytes(char16_t c) { return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2; }

// The path with "." and ".." parts and doubled separators taken out, by
// its text alone: where a name leads when no link is followed.
std::string Lexical(const std::string& absolute) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= absolute.size()) {
    size_t slash = absolute.find('/', start);
    if (slash == std::string::npos) slash = absolute.size();
    std::string part = absolute.substr(start, slash - start);
    start = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::string path;
  for (const std::string& p : parts) path += "/" + p;
  return path.empty() ? "/" : path;
}

std::optional<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), ::free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

// Where the open file really is: what the system says of the descriptor,
// so a link changed after the open cannot mislead it.
std::optional<std::string> PathOfOpenFile(int fd, const std::string& opened) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::string target(PATH_MAX, '\0');
  ssize_t n = ::readlink(link, target.data(), target.size());
  if (n > 0 && static_cast<size_t>(n) < target.size()) {
    target.resize(static_cast<size_t>(n));
    return target;
  }
  return RealPath(opened);  // no /proc: as good as it gets
}

// A name shown in a message is cut to this many characters: the rest of a
// name of millions says nothing more.
constexpr size_t kMessageNameCharacters = 200;

}  // namespace

bool LongerThanFilesAllow(size_t folder_bytes, TextView rest) {
  size_t total = folder_bytes, part = 0;
  for (char16_t c : rest) {
    if (c == u'/' || c == u'\\') {
      part = 0;
      ++total;
      continue;
    }
    part += FewestBytes(c);
    total += FewestBytes(c);
    // PATH_MAX counts the terminating NUL.
    if (part > NAME_MAX || total >= PATH_MAX) return true;
  }
  return false;
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

RuntimeError FileError(int error, const std::string& name) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return RuntimeError(err::kFileNotFound, name);
    case EACCES:
    case EPERM:
      return RuntimeError(err::kPermission, name);
    case ENOMEM:
      return RuntimeError(err::kOutOfMemory, name);
    case EISDIR:
      return RuntimeError(err::kPathAccess, name + " is a folder");
    case ELOOP:
    case ENAMETOOLONG:
    case ENXIO:
    case ENODEV:
    case EINVAL:
    case EFBIG:
    case EOVERFLOW:
    case ETXTBSY:
    case EAGAIN:
      return RuntimeError(err::kPathAccess, name + " (" + std::strerror(error) + ")");
    default:
      return RuntimeError(err::kDeviceIo, name + " (" + std::strerror(error) + ")");
  }
}

Text NameAsText(std::string_view native) {
  return IsValidUtf8(native) ? FromUtf8(native) : cp932::Decode(native);
}

StoryFolder::StoryFolder(std::string native)
    : native_(FolderPrefix(std::move(native))), dat_path_(NameAsText(native_)) {}

std::string StoryFolder::MessageName(const Text& full_path) const {
  Text name = RelativeName(full_path);
  if (name.size() <= kMessageNameCharacters) return Printable(name);
  size_t cut = kMessageNameCharacters;
  if (name[cut - 1] >= 0xD800 && name[cut - 1] < 0xDC00) --cut;  // not half a pair
  return Printable(TextView(name).substr(0, cut)) + "... (a name of " +
         std::to_string(name.size()) + " characters)";
}

Text StoryFolder::RelativeName(const Text& full_path) const {
  if (full_path.compare(0, dat_path_.size(), dat_path_) == 0) {
    return full_path.substr(dat_path_.size());
  }
  return full_path;
}

std::optional<std::string> StoryFolder::Resolve(const Text& full_path) const {
  if (full_path.find(u'\0') != Text::npos) return std::nullopt;
  if (NameTooLong(full_path)) return std::nullopt;
  std::string folder;
  Text rest;
  if (full_path.compare(0, dat_path_.size(), dat_path_) == 0) {
    folder = native_;
    rest = full_path.substr(dat_path_.size());
  } else if (!full_path.empty() && full_path[0] == u'/') {
    folder = "/";
    rest = full_path.substr(1);
  } else {
    rest = full_path;  // relative to the current folder
  }
  // Scripts written on Windows name sub-folders with backslashes.
  for (char16_t& c : rest) {
    if (c == u'\\') c = u'/';
  }
  std::string path;
  bool any = false;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t slash = rest.find(u'/', start);
    if (slash == Text::npos) slash = rest.size();
    Text part = rest.substr(start, slash - start);
    start = slash + 1;
    if (part.empty()) continue;
    if (any) folder = path + "/";
    auto found = FindPart(folder, part);
    if (!found) return std::nullopt;
    path = folder + *found;
    any = true;
  }
  if (!any) return std::nullopt;
  return path;
}

std::optional<std::string> StoryFolder::FindPart(const std::string& folder,
                                                 const Text& part) const {
  std::string utf8 = ToUtf8(part);
  if (Exists(folder + utf8)) return utf8;
  if (auto raw = cp932::Encode(part); raw && *raw != utf8 && Exists(folder + *raw)) return *raw;
  return FindIgnoringCase(folder, part);
}

std::optional<std::string> StoryFolder::FindIgnoringCase(const std::string& folder,
                                                         const Text& part) const {
  const std::string dir = folder.empty() ? "." : folder;
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  const Text wanted = FoldCase(part);

  std::lock_guard<std::mutex> lock(mutex_);
  auto [it, fresh] = listings_.try_emplace(dir);
  Listing& listing = it->second;
  const bool changed = fresh || listing.device != st.st_dev || listing.inode != st.st_ino ||
                       !SameTime(listing.modified, st.st_mtim);
  auto look = [&]() -> std::optional<std::string> {
    auto found = listing.by_folded_name.find(wanted);
    if (found == listing.by_folded_name.end()) return std::nullopt;
    return found->second;
  };
  if (!changed) {
    if (auto found = look()) return found;
    if (!IsRacy(listing.modified)) return std::nullopt;
  }

  std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(dir.c_str()), ::closedir);
  if (!stream) return std::nullopt;
  ++listings_read_;
  listing.device = st.st_dev;
  listing.inode = st.st_ino;
  listing.modified = st.st_mtim;
  listing.by_folded_name.clear();
  while (dirent* entry = ::readdir(stream.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // Several entries may differ only in case: take the same one every time.
    auto [slot, added] = listing.by_folded_name.try_emplace(FoldCase(NameAsText(name)), name);
    if (!added && name < slot->second) slot->second = name;
  }
  return look();
}

long StoryFolder::listings_read() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listings_read_;
}

FileDescriptor OpenRegularFile(const std::string& native, const std::string& name) {
  // Looked at before it is opened, so that opening a device has no effect;
  // looked at again after, as the entry may have changed in between.
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) throw FileError(errno, name);
  if (!S_ISREG(st.st_mode)) throw NotRegular(st, name);
  FileDescriptor fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd) throw FileError(errno, name);
  if (::fstat(fd.get(), &st) != 0) throw FileError(errno, name);
  if (!S_ISREG(st.st_mode)) throw NotRegular(st, name);
  // O_NONBLOCK stays: it changes nothing for a regular file.
  return fd;
}

bool StoryFolder::NameTooLong(const Text& full_path) const {
  return full_path.compare(0, dat_path_.size(), dat_path_) == 0
             ? LongerThanFilesAllow(native_.size(), TextView(full_path).substr(dat_path_.size()))
             : LongerThanFilesAllow(0, full_path);
}

FileDescriptor StoryFolder::Open(const Text& full_path) const {
  const std::string name = MessageName(full_path);
  // Refused before anything is built or looked for: no file has such a name.
  if (NameTooLong(full_path)) {
    throw RuntimeError(err::kFileNotFound, name + ": longer than a file's name can be");
  }
  auto native = Resolve(full_path);
  if (!native) throw RuntimeError(err::kFileNotFound, name);
  FileDescriptor fd = OpenRegularFile(*native, name);
  if (!LeadsWhereItsNameDoes(fd.get(), *native)) {
    throw RuntimeError(err::kPathAccess, name + " leads outside the story folder");
  }
  return fd;
}

bool StoryFolder::LeadsWhereItsNameDoes(int fd, const std::string& native) const {
  if (native.compare(0, native_.size(), native_) != 0) return true;  // not the story's
  std::optional<std::string> folder;
  {
    // Looked up once: a chain of jumps opens a script at every step.
    std::lock_guard<std::mutex> lock(mutex_);
    if (folder_real_.empty()) folder_real_ = RealPath(native_).value_or("");
    if (!folder_real_.empty()) folder = folder_real_;
  }
  std::optional<std::string> real = PathOfOpenFile(fd, native);
  if (!folder || !real) return true;  // nothing to compare: the file was opened by its name
  // Inside the story folder, through links or not.
  if (real->compare(0, folder->size() + 1, *folder + "/") == 0) return true;
  // Or where the name itself leads ("..\\" in a script), through no link.
  return *real == Lexical(*folder + "/" + native.substr(native_.size()));
}

std::string StoryFolder::ReadWhole(const Text& full_path, size_t max_bytes, int too_large) const {
  const std::string name = MessageName(full_path);
  FileDescriptor fd = Open(full_path);
  auto refuse = [&] {
    return RuntimeError(too_large,
                        name + " is larger than " + std::to_string(max_bytes >> 20) + " MB");
  };
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw FileError(errno, name);
  if (static_cast<uint64_t>(st.st_size) > max_bytes) throw refuse();
  std::string bytes;
  try {
    bytes.reserve(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, name);
  }
  std::vector<char> chunk(64 * 1024);
  for (;;) {
    ssize_t n = ::read(fd.get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(errno, name);
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<size_t>(n) > max_bytes) throw refuse();
    bytes.append(chunk.data(), static_cast<size_t>(n));
  }
}

}  // namespace yomite::platform
