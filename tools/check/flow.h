// How the story moves between scripts: the ways out of each script (jumps,
// branches, the ending, a new game, the choice menu), which scripts a game
// can reach from "opn", and the jumps that cycle without ever showing a
// line of text.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tools/check/finding.h"
#include "tools/check/lines.h"
#include "tools/check/story.h"

namespace yomite::check {

// Flag values a walk through a script knows: flag number -> on.
using Knowledge = std::map<int, bool>;

struct Exit {
  enum class Kind { kJump, kBranch, kEnding, kNewGame, kMenu };
  Kind kind = Kind::kJump;
  long line = 0;  // the line that leaves; for the menu at the end of a file, the last line
  long column = 0;
  Text target;  // the script it opens: the name as cut, "end" or "opn"; empty for the menu
  // No line of text has been shown since the script began: the jump runs
  // in the same chain of steps as the one that opened the script.
  bool textless = true;
  Text flag;             // a branch's flag character, for labels
  bool when_on = false;  // a branch is taken when its flag is on
  Knowledge known;       // flag values known when the exit is taken
  Knowledge assumed;     // the part of known that a branch on an unknown flag assumed
};

// The lines of a script in the order they run, as far as a walk with the
// given knowledge of flags can tell.
struct Walk {
  std::vector<Exit> exits;
  std::vector<bool> live;  // per line: runs on some path
  // Per line: the value of the line's flag before it runs, when the walk
  // knows it (1 on, 0 off), else -1.
  std::vector<signed char> flag_before;
  long leave_line = 0;  // the line after which nothing runs; 0 when the walk reaches the end
};

// can_be_on, when given, holds the only flags that can ever be on: a flag
// that no line sets on stays off, and a test for it being on never passes.
Walk WalkScript(const std::vector<LineFacts>& lines, const Knowledge& entry,
                const std::set<int>* can_be_on = nullptr);

// A script with its lines examined and walked with no flag known.
struct ScriptInfo {
  std::string native;
  std::string name;
  std::vector<LineFacts> facts;
  Walk walk;
};

class Story {
 public:
  explicit Story(StoryFolder& folder) : folder_(folder) {}
  StoryFolder& folder() { return folder_; }
  const ScriptInfo& Info(const std::string& native);

  // Once the flags that some line sets on are known, walks take them into
  // account (and are walked again).
  void SetFlagsSetOn(std::set<int> flags);
  const std::set<int>* flags_set_on() const { return flags_known_ ? &flags_set_on_ : nullptr; }
  Walk WalkFrom(const ScriptInfo& info, const Knowledge& entry) const {
    return WalkScript(info.facts, entry, flags_set_on());
  }

 private:
  StoryFolder& folder_;
  std::map<std::string, std::unique_ptr<ScriptInfo>> info_;
  std::set<int> flags_set_on_;
  bool flags_known_ = false;
};

struct GraphEdge {
  std::string from;  // native path
  std::string to;    // native path, or the missing file's name when missing
  bool missing = false;
  std::string label;
  Site site;  // the line it leaves from

  auto Key() const { return std::tie(from, to, missing, label); }
};

struct Reach {
  std::set<std::string> reached;  // native paths of the scripts a game can play
  std::vector<Finding> findings;  // picks that open a missing scene
  std::vector<GraphEdge> picks;   // one per script, button and scene
};

// Plays the story through in the abstract: from "opn", along every exit,
// through every pick with the day and visit counts it can have.
Reach ReachFromOpn(Story& story, const std::string& opn_native);

// Jumps that follow one another with no line of text between them and come
// back where they started: the player recurses until it runs out of stack.
// A cycle that needs flags to be so is a warning; one that needs no flag,
// an error.
std::vector<Finding> FindJumpCycles(Story& story, const std::vector<std::string>& entries);

}  // namespace yomite::check
