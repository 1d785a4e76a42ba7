// Platform services for the transcript runner: real files and pictures,
// each use written to the transcript's log, and a simulated music device.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/media.h"
#include "platform/picture.h"
#include "platform/story_folder.h"

namespace yomite::trace {

using EventLog = std::vector<std::string>;

class LoggingFiles : public platform::Files {
 public:
  LoggingFiles(platform::Files& inner, const platform::StoryFolder& folder, EventLog& log)
      : inner_(inner), folder_(folder), log_(log) {}
  int FreeFile() override { return inner_.FreeFile(); }
  void OpenForInput(const Text& path, int file_no) override;
  bool Eof(int file_no) override { return inner_.Eof(file_no); }
  Text LineInput(int file_no) override { return inner_.LineInput(file_no); }
  void Close(int file_no) override;
  void SetBetweenBlocks(std::function<void()> between_blocks) override {
    inner_.SetBetweenBlocks(std::move(between_blocks));
  }

 private:
  platform::Files& inner_;
  const platform::StoryFolder& folder_;
  EventLog& log_;
  std::set<int> open_;
};

class LoggingPictures : public platform::PictureLoader {
 public:
  LoggingPictures(platform::PictureLoader& inner, const platform::StoryFolder& folder,
                  EventLog& log)
      : inner_(inner), folder_(folder), log_(log) {}
  platform::PicturePtr LoadPicture(const Text& path) override;

 private:
  platform::PictureLoader& inner_;
  const platform::StoryFolder& folder_;
  EventLog& log_;
};

// Answers "status ... mode" with the mode it is told to simulate; a play
// command makes it "playing", as a real device would be afterwards.
class SimulatedMedia : public platform::MediaCommands {
 public:
  explicit SimulatedMedia(EventLog& log) : log_(log) {}
  uint32_t SendString(TextView command, char16_t* reply, uint32_t reply_length) override;
  void SetMode(std::u16string mode) { mode_ = std::move(mode); }

 private:
  EventLog& log_;
  Text mode_ = u"playing";
};

}  // namespace yomite::trace
