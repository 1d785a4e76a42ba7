#include "tools/check/flow.h"

#include <algorithm>
#include <deque>
#include <tuple>

#include "base/runtime_error.h"
#include "choice/choice_rule.h"
#include "platform/cp932.h"

namespace yomite::check {

using script::Command;

int Walker::ValueOf(int flag) const {
  auto it = known_.find(flag);
  if (it != known_.end()) return it->second ? 1 : 0;
  return can_be_on_ && !can_be_on_->count(flag) ? 0 : -1;
}

Step::Step(const LineFacts& f)
    : number(f.number),
      keyword_column(static_cast<int32_t>(f.keyword_column)),
      name_column(static_cast<int32_t>(f.name_column)),
      flag_number(f.flag_number),
      command(f.command),
      flag_ok(f.FlagOk()),
      cut_failed(f.cut_failed),
      shows_text(f.ShowsText()) {
  // Only the lines that leave use their name.
  if (f.command == Command::kIve || f.command == Command::kBon || f.command == Command::kBoff) {
    name = f.name;
  }
  if (!f.flag_text.empty()) {
    has_flag_char = true;
    flag_char = f.flag_text[0];
  }
}

Exit& Walker::AddExit(Exit::Kind kind, long line, long column, Text target) {
  Exit e;
  e.kind = kind;
  e.line = line;
  e.column = column;
  e.target = std::move(target);
  e.textless = textless_;
  e.known = known_;
  e.assumed = assumed_;
  walk_.exits.push_back(std::move(e));
  return walk_.exits.back();
}

bool Walker::Take(const Step& f) {
  if (left_) return true;
  bool leaves = false;
  switch (f.command) {
    case Command::kProse:
      if (f.shows_text) {
        textless_ = false;
        bool seen = std::any_of(walk_.waits.begin(), walk_.waits.end(),
                                [&](const Walk::Wait& w) { return w.known == known_; });
        if (!seen && walk_.waits.size() < Walk::kMaxWaits)
          walk_.waits.push_back({f.number, known_});
      }
      break;
    case Command::kOn:
    case Command::kOff:
      if (f.flag_ok) known_[f.flag_number] = f.command == Command::kOn;
      break;
    case Command::kBon:
    case Command::kBoff: {
      if (f.cut_failed || !f.flag_ok) break;
      const bool want = f.command == Command::kBon;
      const int value = ValueOf(f.flag_number);
      // Past a branch its flag is known, however the walk knew it.
      if (value >= 0) known_.emplace(f.flag_number, value == 1);
      if (value >= 0 && (value == 1) != want) break;  // never taken here
      Exit& e = AddExit(Exit::Kind::kBranch, f.number, f.name_column, f.name);
      if (f.has_flag_char) e.flag = Text(1, f.flag_char);
      e.when_on = want;
      if (value >= 0) {
        leaves = true;  // always taken here
      } else {
        e.known[f.flag_number] = want;
        e.assumed[f.flag_number] = want;
        known_[f.flag_number] = !want;
        assumed_[f.flag_number] = !want;
      }
      break;
    }
    case Command::kQst:
      AddExit(Exit::Kind::kMenu, f.number, f.keyword_column, u"");
      leaves = true;
      break;
    case Command::kIve:
      if (!f.cut_failed) AddExit(Exit::Kind::kJump, f.number, f.name_column, f.name);
      leaves = true;
      break;
    case Command::kEnding:
      AddExit(Exit::Kind::kEnding, f.number, f.keyword_column, u"end");
      leaves = true;
      break;
    case Command::kEnd:
      AddExit(Exit::Kind::kNewGame, f.number, f.keyword_column, u"opn");
      leaves = true;
      break;
    default:
      break;
  }
  if (leaves) {
    left_ = true;
    walk_.leave_line = f.number;
  }
  return leaves;
}

Walk Walker::Finish(long lines) {
  if (!left_) {
    // The end of the file opens the menu (an empty file at once); the last
    // line still runs after it, and a jump there closes the menu again
    // before anyone can pick.
    AddExit(Exit::Kind::kMenu, lines, lines > 0 ? 1 : 0, u"");
  } else if (walk_.leave_line == lines) {
    walk_.leave_line = 0;  // it leaves at the last line: every line runs
  }
  left_ = true;
  return std::move(walk_);
}

Walk WalkScript(const std::vector<Step>& steps, long lines, const Knowledge& entry,
                const std::set<int>* can_be_on) {
  Walker walker(entry, can_be_on);
  for (const Step& f : steps) {
    if (walker.Take(f)) break;
  }
  return walker.Finish(lines);
}

namespace {

// Chooses the lines of a script that the walks need (see ScriptInfo). What
// a script itself sets or tests is known whatever flags it starts with, so
// a branch on such a flag is decided here, a line that sets a flag to the
// value it already has changes nothing, and of the lines that set flags
// one after the other only the last for each flag counts.
class StepPicker {
 public:
  explicit StepPicker(ScriptInfo& info) : info_(info) {}

  void Take(const LineFacts& f) {
    ++info_.lines;
    if (done_) return;
    switch (f.command) {
      case Command::kProse:
        if (!f.ShowsText() || waits_.count(known_) || waits_.size() >= Walk::kMaxWaits) return;
        waits_.insert(known_);
        Keep(f);
        return;
      case Command::kOn:
      case Command::kOff: {
        if (!f.FlagOk()) return;
        const bool on = f.command == Command::kOn;
        if (on) sets_on_.insert(f.flag_number);
        auto it = known_.find(f.flag_number);
        if (it != known_.end() && it->second == on) return;
        known_[f.flag_number] = on;
        for (size_t k = run_start_; k < info_.steps.size(); ++k) {
          if (info_.steps[k].flag_number == f.flag_number) {
            info_.steps.erase(info_.steps.begin() + static_cast<long>(k));
            break;
          }
        }
        info_.steps.emplace_back(f);
        return;
      }
      case Command::kBon:
      case Command::kBoff: {
        if (f.cut_failed || !f.FlagOk()) return;
        const bool want = f.command == Command::kBon;
        auto it = known_.find(f.flag_number);
        if (it != known_.end()) {
          if (it->second != want) return;  // never taken
          done_ = true;                    // always taken
        } else {
          known_[f.flag_number] = !want;
          waits_.clear();  // what the flags are at a line of text now depends on this branch
        }
        Keep(f);
        return;
      }
      case Command::kQst:
      case Command::kIve:
      case Command::kEnding:
      case Command::kEnd:
        done_ = true;
        Keep(f);
        return;
      default:
        return;
    }
  }

 private:
  void Keep(const LineFacts& f) {
    info_.steps.emplace_back(f);
    run_start_ = info_.steps.size();
  }

 public:
  // At the end of the script: what is kept is made no larger than it is.
  void Finish() {
    info_.sets_on.assign(sets_on_.begin(), sets_on_.end());
    info_.steps.shrink_to_fit();
  }

 private:
  ScriptInfo& info_;
  std::set<int> sets_on_;
  Knowledge known_;            // what the script's own lines have decided so far
  std::set<Knowledge> waits_;  // the flags at the lines of text kept since the last branch
  size_t run_start_ = 0;       // where the lines that set flags one after the other begin
  bool done_ = false;          // the script always leaves before the lines to come
};

// Sums of work saturate far above any limit, so that a hostile story's
// sums cannot overflow.
int64_t Plus(int64_t a, int64_t b) {
  constexpr int64_t kCap = int64_t{1} << 60;
  return std::min(a + b, kCap);
}

void Add(ActionBudget::Limits& to, const ActionBudget::Limits& work) {
  to.steps = Plus(to.steps, work.steps);
  to.opens = Plus(to.opens, work.opens);
  to.characters = Plus(to.characters, work.characters);
  to.pixels = Plus(to.pixels, work.pixels);
}

bool Overdraws(const ActionBudget::Limits& work, std::string* what = nullptr) {
  ActionBudget budget;
  budget.Count(work);
  if (what) *what = budget.WhatRanOut();
  return budget.Overdrawn();
}

// Counts the chains of a script as its lines are read (see Chain). The
// step that runs a line has read the next one ahead: a chain counts the
// characters of the lines after those it runs.
class ChainCounter {
 public:
  ChainCounter(ScriptInfo& info, StoryFolder& folder) : info_(info), folder_(folder) {
    // Opening the script, and the step that reads its first line ahead.
    chain_.start = 1;
    chain_.work.opens = 1;
    chain_.work.steps = 1;
  }

  void Take(const LineFacts& f, size_t characters) {
    if (done_) return;
    // The line after a line of text was read before the chain began.
    if (counting_ && !after_text_) {
      chain_.work.characters = Plus(chain_.work.characters, static_cast<int64_t>(characters));
    }
    after_text_ = false;
    if (f.ShowsText()) {
      if (counting_) ++chain_.work.steps;  // the step that shows it
      End();
      chain_ = Chain{};
      chain_.start = f.number + 1;
      counting_ = after_text_ = true;
      return;
    }
    if (counting_) ++chain_.work.steps;
    // A line that ends the program ends the chain's count.
    const bool flag_ok = f.FlagOk() && !f.cut_failed;
    switch (f.command) {
      case Command::kImg:
        if (f.cut_failed) {
          counting_ = false;
        } else {
          Picture(f.name);
        }
        break;
      case Command::kOimg:
      case Command::kFimg: {
        const int value = flag_ok ? Value(f.flag_number) : -1;
        if (value < 0) {
          counting_ = false;  // it may load a picture or not
        } else if ((value == 1) == (f.command == Command::kOimg)) {
          if (Picture(f.name)) Picture(u"3");
        }
        break;
      }
      case Command::kOn:
      case Command::kOff:
        if (flag_ok) {
          known_[f.flag_number] = f.command == Command::kOn;
        } else {
          counting_ = false;
        }
        break;
      case Command::kBon:
      case Command::kBoff: {
        if (!flag_ok) {
          counting_ = false;
          break;
        }
        const bool want = f.command == Command::kBon;
        const int value = Value(f.flag_number);
        if (value < 0) {
          counting_ = false;  // it may leave or not
          known_[f.flag_number] = !want;
        } else if ((value == 1) == want) {
          Leave(f.name);
        }
        break;
      }
      case Command::kQst:
        End();
        done_ = true;
        break;
      case Command::kIve:
        if (f.cut_failed) counting_ = false;
        Leave(f.name);
        break;
      case Command::kEnding:
        Leave(u"end");
        break;
      case Command::kEnd:
        Leave(u"opn");
        break;
      default:
        break;
    }
  }

  // At the end of the lines read: the menu opens, and the chain ends.
  void Finish() {
    if (!done_) End();
    done_ = true;
  }

 private:
  int Value(int flag) const {
    auto it = known_.find(flag);
    return it == known_.end() ? -1 : it->second ? 1 : 0;
  }

  // False when the picture does not load: the line ends the program.
  bool Picture(const Text& name) {
    const OpenResult& r = folder_.LoadPicture(name);
    if (r.error != 0) {
      counting_ = false;
      return false;
    }
    if (counting_) chain_.work.pixels = Plus(chain_.work.pixels, r.work);
    return true;
  }

  void Leave(const Text& target) {
    if (counting_) {
      chain_.jumps = true;
      chain_.target = target;
    }
    End();
    done_ = true;
  }

  // The chain so far is all that every play runs of it.
  void End() {
    if (!head_done_) {
      info_.head = chain_;
      head_done_ = true;
    } else if (chain_.jumps) {
      info_.tail = std::make_unique<Chain>(chain_);
    }
    if (!chain_.jumps && Overdraws(chain_.work)) info_.overdrawn.push_back(chain_);
  }

  ScriptInfo& info_;
  StoryFolder& folder_;
  Knowledge known_;  // what the script's own lines have decided so far
  Chain chain_;
  bool counting_ = true;
  bool after_text_ = false;
  bool head_done_ = false;
  bool done_ = false;
};

}  // namespace

const ScriptInfo& Story::Info(std::string_view native) {
  auto found = info_.find(native);
  if (found != info_.end()) return *found->second;
  auto info = std::make_unique<ScriptInfo>();
  info->native = std::string(native);
  info->name = folder_.RelativeName(info->native);
  StepPicker picker(*info);
  ChainCounter chains(*info, folder_);
  folder_.ReadLines(info->native, [&](long number, const std::string&, const Text& line) {
    const LineFacts facts = Examine(line, number);
    chains.Take(facts, line.size());
    picker.Take(facts);
    return true;
  });
  chains.Finish();
  picker.Finish();
  info->overdrawn.shrink_to_fit();
  const std::string_view key = info->native;
  return *info_.emplace(key, std::move(info)).first->second;
}

void Story::SetFlagsSetOn(std::set<int> flags) {
  flags_set_on_ = std::move(flags);
  flags_known_ = true;
}

namespace {

// The day and visit counts as a pick sees them. Once the scene picks of a
// game are made every pick opens "bad", so the counts beyond that do not
// matter.
struct Counts {
  int visits[choice::kButtons] = {0, 0};
  bool late = false;
  auto Key() const { return std::tie(visits[0], visits[1], late); }
  // The scene a pick of button opens with these counts, by the player's rule.
  Text Scene(int button) const {
    return choice::SceneName(late ? choice::kScenePicks : visits[0] + visits[1], button,
                             visits[button]);
  }
};

Counts AfterPick(Counts c, int button) {
  if (button < 0 || c.late) return c;
  ++c.visits[button];
  if (c.visits[0] + c.visits[1] >= choice::kScenePicks) c = Counts{{0, 0}, true};
  return c;
}

// A script being played, the counts, and the button of the pick whose
// first chain of steps is still running (its counts grow when the chain
// ends; a new game inside the chain resets them first).
struct State {
  std::string native;
  Counts counts;
  int pending = -1;
  bool operator<(const State& o) const {
    return std::tie(native, pending) < std::tie(o.native, o.pending) ||
           (std::tie(native, pending) == std::tie(o.native, o.pending) &&
            counts.Key() < o.counts.Key());
  }
};

std::string Ordinal(int n) {
  static const char* kWords[] = {"first", "second",  "third",  "fourth", "fifth",
                                 "sixth", "seventh", "eighth", "ninth"};
  return n >= 1 && n <= 9 ? kWords[n - 1] : std::to_string(n) + "th";
}

// A scene that does not exist yet, as a play goes on through it: a name no
// file on disk can have.
std::string Unwritten(const std::string& file) { return std::string(1, '\0') + file; }
bool IsUnwritten(const std::string& native) { return !native.empty() && native[0] == '\0'; }

std::string Tail(int number) {
  return " (run-time error " + std::to_string(number) + ", " + StandardMessage(number) + ")";
}

}  // namespace

Reach ReachFromOpn(Story& story, const std::string& opn_native, bool with_picks) {
  Reach reach;
  StoryFolder& folder = story.folder();
  std::set<State> seen;
  std::deque<State> queue;
  // A missing scene is reported once, at the first place a play reaches
  // that opens it (the menu before the text of the same script); all the
  // missing scenes are named in one finding, at the first of those places.
  std::set<Text> missing_reported;
  std::set<Text> missing_scenes;
  std::vector<Site> missing_sites;
  long first_missing = -1;  // its index in reach.findings
  std::set<std::tuple<std::string, std::string, std::string, bool>> pick_edges;
  auto push = [&](State s) {
    if (seen.insert(s).second) queue.push_back(std::move(s));
  };
  // A pick: the counts have grown by the time the player clicks. A scene
  // that does not exist is played on as the author will write it, with
  // text and the menu, so that the scenes after it are named at once too.
  auto Pick = [&](const State& s, const Site& site, bool layout) {
    const bool unwritten = IsUnwritten(s.native);
    Counts c = AfterPick(s.counts, s.pending);
    for (int button = 0; button < choice::kButtons; ++button) {
      Text name = c.Scene(button);
      const OpenResult& r = folder.OpenScript(name);
      std::string label = "pick " + std::to_string(button);
      if (r.error == 0 && !r.native.empty()) {
        if (with_picks && !unwritten &&
            pick_edges.emplace(s.native, r.native, label, layout).second) {
          reach.picks.push_back({s.native, r.native, false, label, site, layout});
        }
        push(State{r.native, c, button});
        continue;
      }
      std::string file = ToUtf8(name) + ".dat";
      if (r.error == err::kFileNotFound) {
        missing_scenes.insert(name);
        push(State{Unwritten(file), c, button});
      }
      if (unwritten) continue;
      if (with_picks && pick_edges.emplace(s.native, file, label, layout).second) {
        reach.picks.push_back({s.native, file, true, label, site, layout});
      }
      if (!missing_reported.insert(name).second) continue;
      if (r.error == err::kFileNotFound && first_missing >= 0) {
        if (std::find(missing_sites.begin(), missing_sites.end(), site) == missing_sites.end()) {
          missing_sites.push_back(site);
        }
        continue;
      }
      Finding f;
      f.severity = Severity::kError;
      f.code = r.error == err::kFileNotFound ? code::kMissingScene : code::kUnreadableScript;
      f.where = site;
      f.error_number = r.error;
      std::string what = c.late ? "the ninth pick of a game opens 'bad.dat'"
                                : "a pick of " + ToUtf8(choice::kButtonCaptions[button]) +
                                      " (button " + std::to_string(button) + ") here, the " +
                                      Ordinal(c.visits[button] + 1) +
                                      " of that button in a game, opens '" + file + "'";
      if (layout) {
        what =
            "the choice buttons are shown here mid-scene once a layout has run (the window "
            "restored, say), and " +
            what;
      }
      f.message =
          what +
          (r.error == err::kFileNotFound
               ? ", which does not exist"
               : ", which cannot be opened" + (r.detail.empty() ? "" : " (" + r.detail + ")")) +
          Tail(r.error);
      if (r.error == err::kFileNotFound) first_missing = static_cast<long>(reach.findings.size());
      reach.findings.push_back(std::move(f));
    }
  };
  push(State{opn_native, {}, -1});
  while (!queue.empty()) {
    State s = queue.front();
    queue.pop_front();
    if (IsUnwritten(s.native)) {
      Pick(s, Site{}, false);
      continue;
    }
    reach.reached.insert(s.native);
    const ScriptInfo& info = story.Info(s.native);
    const Walk walk = story.WalkOf(info);
    for (const Exit& e : walk.exits) {
      if (e.kind != Exit::Kind::kMenu) {
        const OpenResult& r = folder.OpenScript(e.target);
        if (r.error != 0 || r.native.empty()) continue;  // the line's own error
        if (e.kind == Exit::Kind::kNewGame) {
          push(State{r.native, {}, e.textless ? s.pending : -1});
        } else if (e.textless) {
          push(State{r.native, s.counts, s.pending});
        } else {
          push(State{r.native, AfterPick(s.counts, s.pending), -1});
        }
        continue;
      }
      Pick(s, Site{info.name, e.line, e.line > 0 ? e.column : 0}, false);
    }
    // After a layout the buttons are shown mid-scene: wherever the story
    // waits with text shown, a click on one is a pick like any other.
    if (!walk.waits.empty()) Pick(s, Site{info.name, walk.waits[0].line, 1}, true);
  }
  if (first_missing >= 0) {
    Finding& f = reach.findings[static_cast<size_t>(first_missing)];
    f.related = missing_sites;
    if (missing_scenes.size() > 1) {
      std::string all;
      for (const Text& name : missing_scenes)
        all += (all.empty() ? "" : ", ") + ToUtf8(name) + ".dat";
      f.message += "; in all, the picks a game can make need " +
                   std::to_string(missing_scenes.size()) + " scene files that do not exist: " + all;
    }
    auto file = [](long day, int button, long visits) {
      return ToUtf8(choice::SceneName(day, button, visits)) + ".dat";
    };
    constexpr int last = choice::kScenePicks - 1;
    f.hint = "add " + std::string(missing_scenes.size() > 1 ? "them" : "it") +
             ": a pick can be made at the menu and, once a layout has shown the buttons, "
             "wherever a scene waits with text; the n-th pick of button b in a game opens b_(n-1), "
             "and every pick from the " +
             Ordinal(choice::kScenePicks + 1) + " on opens " + file(choice::kScenePicks, 0, 0) +
             ", so a story needs " + file(0, 0, 0) + " to " + file(0, 0, last) + ", " +
             file(0, 1, 0) + " to " + file(0, 1, last) + " and " + file(choice::kScenePicks, 0, 0) +
             " unless its scenes end the game sooner";
  }
  return reach;
}

namespace {

// A play's state with its flags exactly: the flags on (every other flag is
// off, as at the program's start).
struct PlayState {
  std::string native;
  Counts counts;
  int pending = -1;
  std::set<int> on;
  auto Key() const {
    return std::tie(native, counts.visits[0], counts.visits[1], counts.late, pending, on);
  }
  bool operator<(const PlayState& o) const { return Key() < o.Key(); }
};

std::set<int> FlagsOn(const Knowledge& known) {
  std::set<int> on;
  for (const auto& [flag, value] : known) {
    if (value) on.insert(flag);
  }
  return on;
}

}  // namespace

std::vector<PlayedCycle> CyclesPlaysReach(Story& story, const std::string& opn_native) {
  // Far more than a story of sixteen scenes and a few flags has.
  constexpr size_t kMaxPlayStates = 20000;
  StoryFolder& folder = story.folder();
  const std::set<int> none_else_on;
  struct Node {
    PlayState state;
    int next = -1;  // where the story goes on by itself
    bool textless = false;
    Site via{};               // the line that leaves for next
    std::vector<int> menu{};  // the scenes the menu's picks open
  };
  std::vector<Node> nodes;
  std::map<PlayState, int> index;
  bool complete = true;
  auto node_of = [&](PlayState s) -> int {
    auto found = index.find(s);
    if (found != index.end()) return found->second;
    if (nodes.size() >= kMaxPlayStates) {
      complete = false;
      return -1;
    }
    index.emplace(s, static_cast<int>(nodes.size()));
    nodes.push_back({std::move(s)});
    return static_cast<int>(nodes.size()) - 1;
  };
  auto scene = [&](const Counts& c, int button) -> std::string {
    const OpenResult& r = folder.OpenScript(c.Scene(button));
    return r.error == 0 ? r.native : std::string();
  };

  node_of(PlayState{opn_native, {}, -1, {}});
  for (size_t i = 0; i < nodes.size(); ++i) {
    const PlayState s = nodes[i].state;  // nodes grows below
    const ScriptInfo& info = story.Info(s.native);
    Knowledge entry;
    for (int flag : s.on) entry[flag] = true;
    Walk walk = WalkScript(info.steps, info.lines, entry, &none_else_on);
    const Counts picked = AfterPick(s.counts, s.pending);
    // Picks after a layout lead on too, but a play need not make them.
    for (const Walk::Wait& wait : walk.waits) {
      for (int button = 0; button < choice::kButtons; ++button) {
        std::string native = scene(picked, button);
        if (!native.empty()) node_of(PlayState{native, picked, button, FlagsOn(wait.known)});
      }
    }
    // With every flag known a walk leaves one way, or stops at a broken line.
    if (walk.exits.empty()) continue;
    const Exit& e = walk.exits.back();
    std::set<int> on = FlagsOn(e.known);
    if (e.kind == Exit::Kind::kMenu) {
      for (int button = 0; button < choice::kButtons; ++button) {
        std::string native = scene(picked, button);
        int n = native.empty() ? -1 : node_of(PlayState{native, picked, button, on});
        if (n >= 0) nodes[i].menu.push_back(n);
      }
      continue;
    }
    const OpenResult& r = folder.OpenScript(e.target);
    if (r.error != 0 || r.native.empty()) continue;
    PlayState next{r.native, s.counts, s.pending, std::move(on)};
    if (e.kind == Exit::Kind::kNewGame) {
      next.counts = {};
      if (!e.textless) next.pending = -1;
    } else if (!e.textless) {
      next.counts = picked;
      next.pending = -1;
    }
    int n = node_of(std::move(next));
    nodes[i].next = n;
    nodes[i].textless = e.textless;
    nodes[i].via = Site{info.name, e.line, e.column};
  }

  // Jumps without text form one chain from each state: a chain that comes
  // back to a state it passed never ends.
  std::vector<PlayedCycle> cycles;
  std::vector<std::vector<int>> members;
  std::vector<char> color(nodes.size(), 0);  // 1 on the chain followed, 2 done
  for (size_t i = 0; i < nodes.size(); ++i) {
    std::vector<int> chain;
    int at = static_cast<int>(i);
    while (at >= 0 && color[static_cast<size_t>(at)] == 0) {
      color[static_cast<size_t>(at)] = 1;
      chain.push_back(at);
      const Node& n = nodes[static_cast<size_t>(at)];
      at = n.textless ? n.next : -1;
    }
    if (at >= 0 && color[static_cast<size_t>(at)] == 1) {
      auto start = std::find(chain.begin(), chain.end(), at);
      PlayedCycle cycle;
      for (auto k = start; k != chain.end(); ++k) {
        const Site& via = nodes[static_cast<size_t>(*k)].via;
        cycle.jumps.emplace(via.file, via.line);
      }
      cycles.push_back(std::move(cycle));
      members.emplace_back(start, chain.end());
    }
    for (int k : chain) color[static_cast<size_t>(k)] = 2;
  }

  // Every play reaches a cycle when the story leads into it by itself and
  // every pick at the menu does too.
  for (size_t c = 0; c < cycles.size() && complete; ++c) {
    std::vector<char> reaches(nodes.size(), 0);
    for (int k : members[c]) reaches[static_cast<size_t>(k)] = 1;
    for (bool grew = true; grew;) {
      grew = false;
      for (size_t i = 0; i < nodes.size(); ++i) {
        if (reaches[i]) continue;
        const Node& n = nodes[i];
        bool all = n.next >= 0 ? reaches[static_cast<size_t>(n.next)] != 0
                               : n.menu.size() == 2 && reaches[static_cast<size_t>(n.menu[0])] &&
                                     reaches[static_cast<size_t>(n.menu[1])];
        if (all) reaches[i] = grew = true;
      }
    }
    cycles[c].every_play = reaches[0] != 0;
  }
  return cycles;
}

namespace {

struct CycleState {
  std::string native;
  Knowledge known;
  bool operator<(const CycleState& o) const {
    return std::tie(native, known) < std::tie(o.native, o.known);
  }
};

struct Cycle {
  std::vector<Site> sites;         // the jumps, in the order they run
  std::vector<std::string> names;  // the scripts they leave, in that order
  Knowledge assumed;
};

bool Leaves(const Exit& e) { return e.kind != Exit::Kind::kMenu && e.textless; }

}  // namespace

std::vector<Finding> FindJumpCycles(Story& story, const std::vector<std::string_view>& entries,
                                    const std::vector<PlayedCycle>& played) {
  StoryFolder& folder = story.folder();
  constexpr size_t kMaxStates = 5000;
  std::map<std::vector<Site>, Cycle> cycles;

  for (const std::string_view entry : entries) {
    struct Frame {
      CycleState state;
      std::vector<Exit> exits;
      size_t next = 0;
      Knowledge assumed;  // along the path from the entry
      Site via;           // the jump that led here
    };
    std::map<CycleState, int> color;  // 1 on the path, 2 done
    std::vector<Frame> path;
    auto enter = [&](CycleState s, Knowledge assumed, Site via) {
      const ScriptInfo& info = story.Info(s.native);
      Frame frame{s, {}, 0, std::move(assumed), via};
      for (Exit& e : story.WalkFrom(info, s.known).exits) {
        if (Leaves(e)) frame.exits.push_back(std::move(e));
      }
      color[s] = 1;
      path.push_back(std::move(frame));
    };
    enter(CycleState{std::string(entry), {}}, {}, {});
    while (!path.empty()) {
      Frame& top = path.back();
      if (top.next == top.exits.size()) {
        color[top.state] = 2;
        path.pop_back();
        continue;
      }
      const Exit& e = top.exits[top.next++];
      const OpenResult& r = folder.OpenScript(e.target);
      if (r.error != 0 || r.native.empty()) continue;
      const std::string from_name = story.Info(top.state.native).name;
      Site site{from_name, e.line, e.column};
      Knowledge assumed = top.assumed;
      for (auto& [flag, on] : e.assumed) assumed[flag] = on;
      CycleState next{r.native, e.known};
      int& c = color[next];
      if (c == 1) {
        Cycle cycle;
        cycle.assumed = assumed;
        size_t start = 0;
        while (
            !(path[start].state.native == next.native && path[start].state.known == next.known)) {
          ++start;
        }
        for (size_t k = start; k < path.size(); ++k) {
          if (k > start) cycle.sites.push_back(path[k].via);
          cycle.names.push_back(story.Info(path[k].state.native).name);
        }
        cycle.sites.push_back(site);
        std::vector<Site> key = cycle.sites;
        std::sort(key.begin(), key.end());
        auto [it, fresh] = cycles.emplace(key, cycle);
        if (!fresh && cycle.assumed.size() < it->second.assumed.size()) it->second = cycle;
        continue;
      }
      if (c == 2 || color.size() > kMaxStates) continue;
      enter(next, std::move(assumed), site);
    }
  }

  std::vector<Finding> findings;
  for (auto& [key, cycle] : cycles) {
    // Start the story of the cycle at its first place in the folder.
    size_t first = 0;
    for (size_t k = 1; k < cycle.sites.size(); ++k) {
      if (cycle.sites[k] < cycle.sites[first]) first = k;
    }
    std::string route;
    for (size_t k = 0; k <= cycle.names.size(); ++k) {
      size_t at = (first + k) % cycle.names.size();
      // names[i] is the script that the jump sites[i] leaves.
      route += (k ? " -> " : "") + cycle.names[at];
    }
    Finding f;
    f.where = cycle.sites[first];
    for (size_t k = 1; k < cycle.sites.size(); ++k) {
      f.related.push_back(cycle.sites[(first + k) % cycle.sites.size()]);
    }
    std::string what = cycle.sites.size() == 1
                           ? "this jump comes back to the start of its own script"
                           : "this jump starts a cycle of jumps (" + route + ")";
    what += " without showing a line of text";
    std::set<std::pair<std::string, long>> jumps;
    for (const Site& site : cycle.sites) jumps.emplace(site.file, site.line);
    auto reached = std::find_if(played.begin(), played.end(),
                                [&](const PlayedCycle& p) { return p.jumps == jumps; });
    if (cycle.assumed.empty()) {
      f.severity = Severity::kError;
      f.code = code::kJumpCycle;
      f.error_number = err::kOutOfStack;
      f.message = what + ": the player recurses until it ends" + Tail(err::kOutOfStack);
    } else {
      std::string flags;
      for (auto& [flag, on] : cycle.assumed) {
        // A flag's number is the code of a single-byte character.
        Text ch = cp932::Decode(std::string(1, static_cast<char>(flag)));
        flags += (flags.empty() ? "" : ", ") + Quote(ch) + (on ? " on" : " off");
      }
      if (reached != played.end()) {
        // Flags are never reset while the program runs, so an earlier game
        // can leave them so for a later one.
        f.severity = Severity::kError;
        f.code = code::kJumpCycle;
        f.error_number = err::kOutOfStack;
        f.message = what + " when the flags are so (" + flags + "), and " +
                    (reached->every_play ? "every play comes here with them, whatever it picks"
                                         : "a play comes here with them") +
                    ": the player recurses until it ends" + Tail(err::kOutOfStack);
      } else {
        f.severity = Severity::kWarning;
        f.code = code::kPossibleJumpCycle;
        f.message = what + " when the flags are so (" + flags +
                    "): the player would end with run-time error 28 (Out of stack space)";
      }
    }
    findings.push_back(std::move(f));
  }
  return findings;
}

std::vector<Finding> FindOverdrawnChains(Story& story,
                                         const std::vector<std::string_view>& scripts) {
  StoryFolder& folder = story.folder();
  // The chain that opens a script, followed to where it ends.
  struct Onward {
    ActionBudget::Limits work{};
    bool endless = false;  // it runs into a cycle of jumps
    int scripts = 0;
    std::string last;  // the script it ends in
  };
  std::map<std::string, Onward> onward;  // by native path
  auto opens = [&](const Text& target) -> std::string {
    const OpenResult& r = folder.OpenScript(target);
    return r.error == 0 ? r.native : std::string();  // else the jump's own error
  };
  // Followed without recursion: a chain may pass through every script.
  auto follow = [&](const std::string& first) -> const Onward& {
    std::vector<std::string> path;
    std::set<std::string> on_path;
    Onward after;
    for (std::string at = first; !at.empty();) {
      if (auto done = onward.find(at); done != onward.end()) {
        after = done->second;
        break;
      }
      if (!on_path.insert(at).second) {
        after.endless = true;
        break;
      }
      path.push_back(at);
      const ScriptInfo& info = story.Info(at);
      at = info.head.jumps ? opens(info.head.target) : std::string();
    }
    for (auto k = path.rbegin(); k != path.rend(); ++k) {
      const ScriptInfo& info = story.Info(*k);
      Add(after.work, info.head.work);
      if (after.scripts++ == 0) after.last = info.name;
      onward[*k] = after;
    }
    return onward.at(first);
  };

  std::vector<Finding> findings;
  auto report = [&](const ScriptInfo& info, const Chain& chain) {
    ActionBudget::Limits work = chain.work;
    int scripts = 1;
    std::string last = info.name;
    if (chain.jumps) {
      std::string next = opens(chain.target);
      if (!next.empty()) {
        const Onward& rest = follow(next);
        // Where the rest overdraws alone, it is reported where it starts.
        if (rest.endless || Overdraws(rest.work)) return;
        Add(work, rest.work);
        scripts += rest.scripts;
        last = rest.last;
      }
    }
    std::string what;
    if (!Overdraws(work, &what)) return;
    Finding f;
    f.severity = Severity::kError;
    f.code = code::kOverBudget;
    f.where = Site{info.name, chain.start, 0};
    f.error_number = err::kOutOfStack;
    f.message = "the lines from here on run in one action without showing a line of text" +
                (scripts > 1 ? " (through " + std::to_string(scripts) + " scripts, to " + last + ")"
                             : std::string()) +
                ", whatever the flags are, and overdraw its budget (more than " + what +
                "): the player ends" + Tail(err::kOutOfStack);
    f.hint =
        "show a line of text (or wait at the menu) sooner: each click, pick or timer tick may run "
        "at most " +
        std::to_string(ActionBudget::kLimits.steps) + " lines, open " +
        std::to_string(ActionBudget::kLimits.opens) + " scripts, read " +
        std::to_string(ActionBudget::kLimits.characters) + " characters and do " +
        std::to_string(ActionBudget::kLimits.pixels) +
        " pixels of picture work (width x height x (3 + scans))";
    findings.push_back(std::move(f));
  };
  for (const std::string_view native : scripts) {
    const ScriptInfo& info = story.Info(native);
    for (const Chain& chain : info.overdrawn) report(info, chain);
    if (info.head.jumps) report(info, info.head);
    if (info.tail) report(info, *info.tail);
  }
  return findings;
}

}  // namespace yomite::check
