// Reads a script line by line, the way the story format splits it, holding
// no more than one line and a block of the file at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/story_folder.h"

namespace yomite::platform {

// The longest script line read. A real story's lines are far below a
// kilobyte; a longer one ends the program with "Out of memory" rather than
// let a file with no line ends (a link to /dev/zero, a huge sparse file)
// take all memory.
inline constexpr size_t kMaxLineBytes = size_t{16} << 20;

class LineReader {
 public:
  // name is the file's name for messages.
  LineReader(FileDescriptor fd, std::string name, size_t max_line = kMaxLineBytes);

  // True when no byte is left to read.
  bool AtEnd();
  // The next line, without its end: a line ends at CR LF or at a lone CR (a
  // lone LF is part of the line). Empty at the end of the file. A line
  // longer than max_line is error 7, naming its number; a failed read is
  // the error FileError gives. between_blocks, when given, is called before
  // each block of the file is read (every 64 KiB of a long line): what it
  // throws leaves the reading, and the line read so far is lost.
  std::string ReadLine(const std::function<void()>& between_blocks = {});
  // How many lines ReadLine has returned.
  long lines_read() const { return lines_read_; }

 private:
  bool Fill();  // false at the end of the file

  FileDescriptor fd_;
  std::string name_;
  size_t max_line_;
  static constexpr size_t kBlockBytes = 64 * 1024;
  // Not cleared when made: a chain of scripts opens one per step.
  std::unique_ptr<char[]> buffer_ = std::make_unique_for_overwrite<char[]>(kBlockBytes);
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;
  long lines_read_ = 0;
};

}  // namespace yomite::platform
