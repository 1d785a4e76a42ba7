#include "platform/disk_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/runtime_error.h"
#include "platform/cp932.h"
#include "platform/story_paths.h"

namespace yomite::platform {

bool LineSplitter::Fill() {
  if (pos_ < len_) return true;
  if (eof_) return false;
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw RuntimeError(err::kDeviceIo, std::string("cannot read the script: ") + strerror(errno));
    pos_ = 0;
    len_ = static_cast<size_t>(n);
    if (n == 0) eof_ = true;
    return n > 0;
  }
}

bool LineSplitter::AtEnd() { return !Fill(); }

std::string LineSplitter::ReadLine() {
  std::string line;
  while (Fill()) {
    const char* begin = buffer_.data() + pos_;
    const char* end = buffer_.data() + len_;
    const char* cr = static_cast<const char*>(memchr(begin, '\r', end - begin));
    if (!cr) {
      line.append(begin, end);
      pos_ = len_;
      continue;
    }
    line.append(begin, cr);
    pos_ = static_cast<size_t>(cr - buffer_.data()) + 1;
    if (Fill() && buffer_[pos_] == '\n') ++pos_;
    return line;
  }
  return line;
}

DiskFiles::DiskFiles(Text dat_path) : dat_path_(std::move(dat_path)) {}

DiskFiles::~DiskFiles() {
  for (auto& [no, file] : open_) ::close(file->fd);
}

int DiskFiles::FreeFile() {
  int no = 1;
  while (open_.count(no)) ++no;
  return no;
}

void DiskFiles::OpenForInput(const Text& path, int file_no) {
  std::string name = ToUtf8(StoryRelativeName(dat_path_, path));
  auto native = ResolveStoryFile(dat_path_, path);
  if (!native) throw RuntimeError(err::kFileNotFound, name);
  int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES) throw RuntimeError(err::kPermission, name);
    if (errno == ENOENT) throw RuntimeError(err::kFileNotFound, name);
    throw RuntimeError(err::kPathAccess, name);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw RuntimeError(err::kPathAccess, name + " is a folder");
  }
  if (auto it = open_.find(file_no); it != open_.end()) {
    ::close(it->second->fd);
    open_.erase(it);
  }
  open_.emplace(file_no, std::make_unique<Open>(Open{fd, LineSplitter(fd)}));
}

DiskFiles::Open& DiskFiles::Get(int file_no) {
  auto it = open_.find(file_no);
  if (it == open_.end()) throw RuntimeError(err::kBadFileNumber, "file number " + std::to_string(file_no) + " is not open");
  return *it->second;
}

bool DiskFiles::Eof(int file_no) { return Get(file_no).lines.AtEnd(); }

Text DiskFiles::LineInput(int file_no) {
  Open& file = Get(file_no);
  if (file.lines.AtEnd()) throw RuntimeError(err::kPastEnd);
  return cp932::Decode(file.lines.ReadLine());
}

void DiskFiles::Close(int file_no) {
  auto it = open_.find(file_no);
  if (it == open_.end()) return;
  ::close(it->second->fd);
  open_.erase(it);
}

}  // namespace yomite::platform
