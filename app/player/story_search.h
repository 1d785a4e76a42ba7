// Where the player finds the story it plays: the folder named on the command
// line, else the folder "dat" beside the program, else the user's and the
// system's data folders, where a package installs the bundled story.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace yomite::player {

struct StoryPlaces {
  // The folder named on the command line, if any: a folder holding "dat",
  // or the "dat" folder itself. When given, nothing else is looked at.
  std::optional<std::string> argument;
  // The folder of the running program ("" when unknown).
  std::string program_folder;
  // Reads an environment variable; nullptr when unset.
  std::function<const char*(const char*)> getenv;
  // The install layout: the program's and the data's folders, relative to
  // the prefix the program was installed under (e.g. "bin" and "share"),
  // and the data folder of the prefix the build was configured for.
  std::string bindir = "bin";
  std::string datadir = "share";
  std::string configured_datadir = "/usr/local/share";
};

struct StorySearch {
  std::string dat;                     // the story's folder, "" when none was found
  std::vector<std::string> looked_at;  // every folder tried, in order
};

// A folder holds a story when it holds the first script, "opn.dat" (found
// by the story's own name rules, so "OPN.DAT" counts), as anything but a
// folder: what is not a regular file is refused when it is opened.
bool HoldsStory(const std::string& folder);

StorySearch FindStory(const StoryPlaces& places);

// The report for a search that found nothing: what is missing and every
// folder looked at, one per line.
std::string NotFoundMessage(const StorySearch& search);

}  // namespace yomite::player
