// Helpers of the checker's tests: build a story folder from a description
// (see tests/support/story_builder.h), check it, and play it with the
// transcript runner to see where the player stops.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tools/check/checker.h"

namespace yomite::check::testing {

// A valid one-track MIDI file.
std::string MidiBytes();

struct Built {
  std::filesystem::path dat;
  std::string events;
};

// Builds the story; gives it a valid bgm.mid unless the description has a
// bgm.mid of its own or a line "# music: none", and each of the sixteen
// scenes and bad.dat (a line of text) that it does not write itself, name in
// a line "# missing: 0_1 bad" (0_1 and the later scenes of that button) or
// leave out with a line "# scenes: none".
Built BuildCheckedStory(const std::string& description, const std::string& folder_name);

// Checks the folder as the tool does, with the header-reading picture
// loader that the transcript runner uses too.
Report CheckFolder(const std::filesystem::path& dat);

// The run-time error that playing the story with the events ended with.
struct PlayedError {
  int number = 0;
  std::string message;
  std::string file;  // empty when no script was open
  long line = 0;
};
struct Played {
  int status = 0;
  std::optional<PlayedError> error;
  std::string err;
};
Played Play(const std::filesystem::path& dat, const std::string& events);

// The player's run-time error number for each kind of error the checker
// reports.
int ExpectedErrorNumber(const std::string& code);

}  // namespace yomite::check::testing
