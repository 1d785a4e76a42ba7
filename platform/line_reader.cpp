#include "platform/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace yomite::platform {

LineReader::LineReader(FileDescriptor fd, std::string name, size_t max_line)
    : fd_(std::move(fd)), name_(std::move(name)), max_line_(max_line) {}

bool LineReader::Fill() {
  if (pos_ < len_) return true;
  if (eof_) return false;
  for (;;) {
    ssize_t n = ::read(fd_.get(), buffer_.get(), kBlockBytes);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(errno, name_);
    pos_ = 0;
    len_ = static_cast<size_t>(n);
    if (n == 0) eof_ = true;
    return n > 0;
  }
}

bool LineReader::AtEnd() { return !Fill(); }

std::string LineReader::ReadLine(const std::function<void()>& between_blocks) {
  std::string line;
  auto append = [&](const char* begin, const char* end) {
    if (line.size() + static_cast<size_t>(end - begin) > max_line_) {
      throw RuntimeError(err::kOutOfMemory, "line " + std::to_string(lines_read_ + 1) + " of " +
                                                name_ + " is longer than " +
                                                std::to_string(max_line_) + " bytes");
    }
    line.append(begin, end);
  };
  auto fill = [&] {
    if (pos_ >= len_ && !eof_ && between_blocks) between_blocks();
    return Fill();
  };
  while (fill()) {
    const char* begin = buffer_.get() + pos_;
    const char* end = buffer_.get() + len_;
    const char* cr = static_cast<const char*>(memchr(begin, '\r', end - begin));
    if (!cr) {
      append(begin, end);
      pos_ = len_;
      continue;
    }
    append(begin, cr);
    pos_ = static_cast<size_t>(cr - buffer_.get()) + 1;
    if (Fill() && buffer_[pos_] == '\n') ++pos_;
    ++lines_read_;
    return line;
  }
  if (!line.empty()) ++lines_read_;
  return line;
}

}  // namespace yomite::platform
