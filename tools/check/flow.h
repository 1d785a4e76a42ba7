// How the story moves between scripts: the ways out of each script (jumps,
// branches, the ending, a new game, the choice menu), which scripts a game
// can reach from "opn", and the jumps that cycle without ever showing a
// line of text.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "base/action_budget.h"
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

// A line as the walks take it: what they read of it, without its text.
// Kept for every script, so it holds only what a walk looks at.
struct Step {
  Step() = default;
  explicit Step(const LineFacts& f);

  long number = 0;
  Text name;  // a jump's or branch's script
  int32_t keyword_column = 0;
  int32_t name_column = 0;
  int32_t flag_number = -1;  // valid when flag_ok
  char16_t flag_char = 0;    // the first character of a branch's flag, for labels
  script::Command command = script::Command::kProse;
  bool has_flag_char = false;
  bool flag_ok = false;
  bool cut_failed = false;
  bool shows_text = false;
};

// The lines of a script in the order they run, as far as a walk with the
// given knowledge of flags can tell.
struct Walk {
  static constexpr size_t kMaxWaits = 256;
  std::vector<Exit> exits;
  long leave_line = 0;  // the line after which nothing runs; 0 when the walk reaches the end
  // The lines of text where the story waits for the player, with the flags
  // known there: after a layout the choice buttons are shown mid-scene, and
  // a click on one is a pick. A line is listed only when its flags differ
  // from those of every line listed before it, and no more than kMaxWaits.
  struct Wait {
    long line = 0;
    Knowledge known;
  };
  std::vector<Wait> waits;

  // The line runs on some path.
  bool Live(long line) const { return leave_line == 0 || line <= leave_line; }
};

// Walks a script one line at a time, so that a script is never held whole.
// can_be_on, when given, holds the only flags that can ever be on: a flag
// that no line sets on stays off, and a test for it being on never passes.
class Walker {
 public:
  explicit Walker(Knowledge entry, const std::set<int>* can_be_on = nullptr)
      : known_(std::move(entry)), can_be_on_(can_be_on) {}
  // The value of a flag before the next line runs: 1 on, 0 off, -1 not known.
  int ValueOf(int flag) const;
  // Takes the next line; true when the script always leaves there.
  bool Take(const Step& f);
  // The walk, once the script's lines (lines of them) are taken or it left.
  Walk Finish(long lines);

 private:
  Exit& AddExit(Exit::Kind kind, long line, long column, Text target);

  Walk walk_;
  Knowledge known_;
  Knowledge assumed_;
  const std::set<int>* can_be_on_;
  bool textless_ = true;
  bool left_ = false;
};

// A walk through the given lines of a script of lines lines (the lines not
// given do not change where it goes).
Walk WalkScript(const std::vector<Step>& steps, long lines, const Knowledge& entry,
                const std::set<int>* can_be_on = nullptr);

// Lines that run one after the other without showing a line of text, in
// the same action: from the script's first line, or from the line after a
// line of text. Only what runs whatever the flags are is counted: the
// chain's count stops at a branch or conditional picture whose flag the
// script has not set itself, and at a line that ends the program.
struct Chain {
  long start = 0;               // its first line
  ActionBudget::Limits work{};  // what its lines do, as the player counts it
  bool jumps = false;           // it always leaves for target
  Text target;                  // the script it opens: the name as cut, "end" or "opn"
};

// A script as the walks need it: only the lines that can change where a
// walk goes or what it knows at a line of text, read once. Its memory does
// not grow with lines of text, blank lines or lines that repeat a flag's
// value; the checker reads the script again for everything else. One is
// kept for every script of the folder, so its walks are made when asked
// for (Story::WalkFrom) rather than kept.
struct ScriptInfo {
  std::string native;
  std::string name;
  std::vector<Step> steps;  // in order
  long lines = 0;
  std::vector<int> sets_on;  // sorted: the flags that lines which run with no flag known set on
  // The chain from the first line (with the script's opening), the one
  // that leaves by a jump when another chain, and the chains that end in
  // the script and overdraw an action's budget alone.
  Chain head;
  std::unique_ptr<Chain> tail;  // only when there is one
  std::vector<Chain> overdrawn;
};

class Story {
 public:
  explicit Story(StoryFolder& folder) : folder_(folder) {}
  StoryFolder& folder() { return folder_; }
  const ScriptInfo& Info(std::string_view native);

  // Once the flags that some line sets on are known, walks take them into
  // account.
  void SetFlagsSetOn(std::set<int> flags);
  const std::set<int>* flags_set_on() const { return flags_known_ ? &flags_set_on_ : nullptr; }
  Walk WalkFrom(const ScriptInfo& info, const Knowledge& entry) const {
    return WalkScript(info.steps, info.lines, entry, flags_set_on());
  }
  // Lets go of what was kept of every script (Info reads a script again).
  void Forget() { info_.clear(); }
  // The walk with no flag known.
  Walk WalkOf(const ScriptInfo& info) const { return WalkFrom(info, {}); }

 private:
  StoryFolder& folder_;
  // Keyed by a view of the info's own path: a path is held once.
  std::map<std::string_view, std::unique_ptr<ScriptInfo>> info_;
  std::set<int> flags_set_on_;
  bool flags_known_ = false;
};

struct GraphEdge {
  std::string from;  // native path
  std::string to;    // native path, or the missing file's name when missing
  bool missing = false;
  std::string label;
  Site site;  // the line it leaves from
  // A pick made where the story waits with text, once a layout has shown
  // the buttons, rather than at the menu.
  bool mid_scene = false;

  auto Key() const { return std::tie(from, to, missing, label, mid_scene); }
};

struct Reach {
  std::set<std::string> reached;  // native paths of the scripts a game can play
  std::vector<Finding> findings;  // picks that open a missing scene
  std::vector<GraphEdge> picks;   // one per script, button and scene
};

// Plays the story through in the abstract: from "opn", along every exit,
// through every pick with the day and visit counts it can have, at the
// menu and wherever the story waits with text shown.
// The picks are listed only when asked for (for the graph): a folder of
// many scripts that wait with text has a pair of them for each.
Reach ReachFromOpn(Story& story, const std::string& opn_native, bool with_picks = true);

// A cycle of jumps without text that a play reaches with the flags it
// really has (every flag is off when the program starts, and a new game
// keeps them): its jumps, and whether every play reaches it whatever it
// picks at the menu.
struct PlayedCycle {
  std::set<std::pair<std::string, long>> jumps;  // script name and line of each jump
  bool every_play = false;
};

// Plays the story through with exact flags, from the program's start.
// Stops looking after a bound on the states it keeps: the cycles found by
// then are still reached, but none is then said to be reached by every play.
std::vector<PlayedCycle> CyclesPlaysReach(Story& story, const std::string& opn_native);

// Jumps that follow one another with no line of text between them and come
// back where they started: the player recurses until it runs out of stack.
// A cycle that needs no flag is an error; one that needs flags to be so is
// an error when a play reaches it with them (one of played), else a warning.
std::vector<Finding> FindJumpCycles(Story& story, const std::vector<std::string_view>& entries,
                                    const std::vector<PlayedCycle>& played = {});

// Chains of lines without text that overdraw one action's budget whatever
// the flags are, followed across the jumps they end with: the player ends
// them with run-time error 28. Each is reported where it starts, unless
// the chain it jumps into overdraws alone (that one is reported). A chain
// that runs into a cycle of jumps is left to FindJumpCycles.
std::vector<Finding> FindOverdrawnChains(Story& story,
                                         const std::vector<std::string_view>& scripts);

}  // namespace yomite::check
