// Script files on disk, found with the story's name rules and read line by
// line in code page 932.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/files.h"

namespace yomite::platform {

// Splits a byte stream into lines the way the story format wants: a line
// ends at CR LF or at a lone CR; a lone LF is part of the line.
class LineSplitter {
 public:
  explicit LineSplitter(int fd) : fd_(fd) {}
  bool AtEnd();
  std::string ReadLine();

 private:
  bool Fill();  // false at the end of the file
  int fd_;
  std::string buffer_ = std::string(64 * 1024, '\0');
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;
};

class DiskFiles : public Files {
 public:
  explicit DiskFiles(Text dat_path);
  ~DiskFiles() override;

  int FreeFile() override;
  void OpenForInput(const Text& path, int file_no) override;
  bool Eof(int file_no) override;
  Text LineInput(int file_no) override;
  void Close(int file_no) override;

 private:
  struct Open {
    int fd;
    LineSplitter lines;
  };
  Open& Get(int file_no);

  Text dat_path_;
  std::map<int, std::unique_ptr<Open>> open_;
};

}  // namespace yomite::platform
