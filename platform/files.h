// Sequential text files by number, as the story loader uses them.
#pragma once

#include <functional>

#include "base/text.h"

namespace yomite::platform {

class Files {
 public:
  virtual ~Files() = default;

  // The lowest file number that is not open.
  virtual int FreeFile() = 0;
  // Opens the file at path for sequential text input under the number.
  // Throws RuntimeError (53, 70, 75) when it cannot be opened.
  virtual void OpenForInput(const Text& path, int file_no) = 0;
  // True when no line is left to read.
  virtual bool Eof(int file_no) = 0;
  // Reads the next line: up to CR LF or a lone CR (a lone LF stays in the
  // line), converted from code page 932.
  virtual Text LineInput(int file_no) = 0;
  virtual void Close(int file_no) = 0;

  // Called again and again while one long line is read and decoded (every
  // 64 KiB read, every megabyte decoded): what it throws leaves LineInput.
  // Files that read in an instant need not call it.
  virtual void SetBetweenBlocks(std::function<void()> between_blocks) { (void)between_blocks; }
};

}  // namespace yomite::platform
