// yomite-check --watch: checks the story again whenever a file of its
// folder changes, and prints only the findings that came and went.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace yomite::check {

// Folders of the story watched at most: a story has one or a few.
inline constexpr size_t kMaxWatchedFolders = 1000;

// Checks the story in dir, prints its findings, then waits for changes
// until stop() answers true (asked at least every 100 ms) and prints, after
// each check, the findings that are new as they are and those that went
// with "fixed: " before them, then the summary. folder is the prefix of the
// printed names. Returns 0, or 2 when the folder cannot be watched.
int WatchStory(const std::string& dir, const std::string& folder, std::ostream& out,
               std::ostream& err, const std::function<bool()>& stop);

}  // namespace yomite::check
