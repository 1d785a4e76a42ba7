// The story's scripts as numbered sequential files, read line by line in
// code page 932 from the story folder.
#pragma once

#include <map>
#include <memory>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/story_folder.h"

namespace yomite::platform {

class ScriptFiles : public Files {
 public:
  // folder must outlive this.
  explicit ScriptFiles(const StoryFolder& folder) : folder_(folder) {}

  int FreeFile() override;
  void OpenForInput(const Text& path, int file_no) override;
  bool Eof(int file_no) override;
  Text LineInput(int file_no) override;
  void Close(int file_no) override;
  void SetBetweenBlocks(std::function<void()> between_blocks) override {
    between_blocks_ = std::move(between_blocks);
  }

 private:
  LineReader& Get(int file_no);

  const StoryFolder& folder_;
  std::map<int, std::unique_ptr<LineReader>> open_;
  std::function<void()> between_blocks_;
};

}  // namespace yomite::platform
