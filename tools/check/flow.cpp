#include "tools/check/flow.h"

#include <algorithm>
#include <deque>
#include <tuple>

#include "base/runtime_error.h"
#include "platform/cp932.h"

namespace yomite::check {

using script::Command;

Walk WalkScript(const std::vector<LineFacts>& lines, const Knowledge& entry,
                const std::set<int>* can_be_on) {
  Walk walk;
  walk.live.assign(lines.size(), false);
  walk.flag_before.assign(lines.size(), -1);
  Knowledge known = entry;
  Knowledge assumed;
  bool textless = true;
  // 1 on, 0 off, -1 not known. A flag that no line sets on is always off.
  auto value_of = [&](int flag) -> int {
    auto it = known.find(flag);
    if (it != known.end()) return it->second ? 1 : 0;
    return can_be_on && !can_be_on->count(flag) ? 0 : -1;
  };
  auto exit = [&](Exit::Kind kind, const LineFacts& f, long column, Text target) {
    Exit e;
    e.kind = kind;
    e.line = f.number;
    e.column = column;
    e.target = std::move(target);
    e.textless = textless;
    e.known = known;
    e.assumed = assumed;
    walk.exits.push_back(std::move(e));
    return &walk.exits.back();
  };
  if (lines.empty()) {
    // An empty file opens the menu at once.
    Exit e;
    e.kind = Exit::Kind::kMenu;
    walk.exits.push_back(e);
    return walk;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineFacts& f = lines[i];
    const bool last = i + 1 == lines.size();
    walk.live[i] = true;
    if (f.FlagOk()) walk.flag_before[i] = value_of(f.flag_number);
    bool leaves = false;
    switch (f.command) {
      case Command::kProse:
        if (f.ShowsText()) textless = false;
        break;
      case Command::kOn:
      case Command::kOff:
        if (f.FlagOk()) known[f.flag_number] = f.command == Command::kOn;
        break;
      case Command::kBon:
      case Command::kBoff: {
        if (f.cut_failed || !f.FlagOk()) break;
        const bool want = f.command == Command::kBon;
        const int value = value_of(f.flag_number);
        if (value >= 0 && (value == 1) != want) break;  // never taken here
        Exit* e = exit(Exit::Kind::kBranch, f, f.name_column, f.name);
        e->flag = f.flag_text.substr(0, 1);
        e->when_on = want;
        if (value >= 0) {
          leaves = true;  // always taken here
        } else {
          e->known[f.flag_number] = want;
          e->assumed[f.flag_number] = want;
          known[f.flag_number] = !want;
          assumed[f.flag_number] = !want;
        }
        break;
      }
      case Command::kQst:
        exit(Exit::Kind::kMenu, f, f.keyword_column, u"");
        leaves = true;
        break;
      case Command::kIve:
        if (!f.cut_failed) exit(Exit::Kind::kJump, f, f.name_column, f.name);
        leaves = true;
        break;
      case Command::kEnding:
        exit(Exit::Kind::kEnding, f, f.keyword_column, u"end");
        leaves = true;
        break;
      case Command::kEnd:
        exit(Exit::Kind::kNewGame, f, f.keyword_column, u"opn");
        leaves = true;
        break;
      default:
        break;
    }
    if (last && !leaves) {
      // The end of the file opens the menu; the last line still runs after it,
      // and a jump there closes the menu again before anyone can pick.
      exit(Exit::Kind::kMenu, f, 1, u"");
    }
    if (leaves) {
      if (!last) walk.leave_line = f.number;
      break;
    }
  }
  return walk;
}

const ScriptInfo& Story::Info(const std::string& native) {
  auto& slot = info_[native];
  if (slot) return *slot;
  slot = std::make_unique<ScriptInfo>();
  const ScriptText& text = folder_.Script(native);
  slot->native = native;
  slot->name = text.name;
  for (size_t i = 0; i < text.lines.size(); ++i) {
    slot->facts.push_back(Examine(text.lines[i], static_cast<long>(i) + 1));
  }
  slot->walk = WalkFrom(*slot, {});
  return *slot;
}

void Story::SetFlagsSetOn(std::set<int> flags) {
  flags_set_on_ = std::move(flags);
  flags_known_ = true;
  for (auto& [native, info] : info_) info->walk = WalkFrom(*info, {});
}

namespace {

// The day and visit counts as a pick sees them. Once eight picks have been
// made every pick opens "bad", so the counts beyond that do not matter.
struct Counts {
  int visits[2] = {0, 0};
  bool late = false;
  auto Key() const { return std::tie(visits[0], visits[1], late); }
};

Counts AfterPick(Counts c, int button) {
  if (button < 0 || c.late) return c;
  ++c.visits[button];
  if (c.visits[0] + c.visits[1] >= 8) c = Counts{{0, 0}, true};
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

const char* kButtonNames[2] = {"お兄さん", "柚木さん"};

std::string Ordinal(int n) {
  static const char* kWords[] = {"first", "second",  "third",  "fourth", "fifth",
                                 "sixth", "seventh", "eighth", "ninth"};
  return n >= 1 && n <= 9 ? kWords[n - 1] : std::to_string(n) + "th";
}

std::string Tail(int number) {
  return " (run-time error " + std::to_string(number) + ", " + StandardMessage(number) + ")";
}

}  // namespace

Reach ReachFromOpn(Story& story, const std::string& opn_native) {
  Reach reach;
  StoryFolder& folder = story.folder();
  std::set<State> seen;
  std::deque<State> queue;
  std::set<Text> missing_reported;
  std::set<std::tuple<std::string, std::string, std::string>> pick_edges;
  auto push = [&](State s) {
    if (seen.insert(s).second) queue.push_back(std::move(s));
  };
  push(State{opn_native, {}, -1});
  while (!queue.empty()) {
    State s = queue.front();
    queue.pop_front();
    reach.reached.insert(s.native);
    const ScriptInfo& info = story.Info(s.native);
    for (const Exit& e : info.walk.exits) {
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
      // A pick: the counts have grown by the time the player clicks.
      Counts c = AfterPick(s.counts, s.pending);
      for (int button = 0; button < 2; ++button) {
        Text name = c.late
                        ? Text(u"bad")
                        : FromUtf8(std::to_string(button) + "_" + std::to_string(c.visits[button]));
        const OpenResult& r = folder.OpenScript(name);
        std::string label = "pick " + std::to_string(button);
        Site site{info.name, e.line, e.line > 0 ? e.column : 0};
        if (r.error == 0 && !r.native.empty()) {
          if (pick_edges.emplace(s.native, r.native, label).second) {
            reach.picks.push_back({s.native, r.native, false, label, site});
          }
          push(State{r.native, c, button});
          continue;
        }
        std::string file = ToUtf8(name) + ".dat";
        if (pick_edges.emplace(s.native, file, label).second) {
          reach.picks.push_back({s.native, file, true, label, site});
        }
        if (!missing_reported.insert(name).second) continue;
        Finding f;
        f.severity = Severity::kError;
        f.code = r.error == err::kFileNotFound ? code::kMissingScene : code::kUnreadableScript;
        f.where = site;
        f.error_number = r.error;
        std::string what = c.late ? "the ninth pick of a game opens 'bad.dat'"
                                  : "a pick of " + std::string(kButtonNames[button]) + " (button " +
                                        std::to_string(button) + ") here, the " +
                                        Ordinal(c.visits[button] + 1) +
                                        " of that button in a game, opens '" + file + "'";
        f.message =
            what +
            (r.error == err::kFileNotFound
                 ? ", which does not exist"
                 : ", which cannot be opened" + (r.detail.empty() ? "" : " (" + r.detail + ")")) +
            Tail(r.error);
        reach.findings.push_back(std::move(f));
      }
    }
  }
  return reach;
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

std::vector<Finding> FindJumpCycles(Story& story, const std::vector<std::string>& entries) {
  StoryFolder& folder = story.folder();
  constexpr size_t kMaxStates = 5000;
  std::map<std::vector<Site>, Cycle> cycles;

  for (const std::string& entry : entries) {
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
    enter(CycleState{entry, {}}, {}, {});
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
      f.severity = Severity::kWarning;
      f.code = code::kPossibleJumpCycle;
      f.message = what + " when the flags are so (" + flags +
                  "): the player would end with run-time error 28 (Out of stack space)";
    }
    findings.push_back(std::move(f));
  }
  return findings;
}

}  // namespace yomite::check
