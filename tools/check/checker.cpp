#include "tools/check/checker.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <ostream>
#include <tuple>

#include "app/version.h"
#include "base/command_line.h"
#include "base/printable.h"
#include "base/runtime_error.h"
#include "choice/choice_rule.h"
#include "platform/midi/standard_midi_file.h"
#include "tools/check/watch.h"
#include "tools/trace/json.h"

namespace yomite::check {

using script::Command;

namespace {

Finding FileFinding(Severity severity, const char* code, std::string file, std::string message,
                    int number = 0) {
  Finding f;
  f.severity = severity;
  f.code = code;
  f.where = {std::move(file), 0, 0};
  f.message = std::move(message);
  f.error_number = number;
  return f;
}

std::string Tail(int number) {
  return " (run-time error " + std::to_string(number) + ", " + StandardMessage(number) + ")";
}

void CheckMusic(StoryFolder& folder, std::vector<Finding>& out) {
  auto native = folder.Resolve(u"bgm.mid");
  if (!native) {
    out.push_back(FileFinding(Severity::kWarning, code::kMissingMusic, "bgm.mid",
                              "there is no background music: the story plays in silence"));
    return;
  }
  std::string name = folder.RelativeName(*native);
  std::string bytes;
  try {
    bytes = folder.files().ReadWhole(folder.dat_path() + u"bgm.mid",
                                     platform::midi::kMaxMidiFileBytes, err::kOutOfMemory);
  } catch (const RuntimeError& e) {
    out.push_back(
        FileFinding(Severity::kWarning, code::kBadMusic, name,
                    "the music cannot be read (" + e.message() + "): the story plays in silence"));
    return;
  }
  // The player's own reader: whatever it refuses, the player plays in silence.
  auto read = platform::midi::ReadStandardMidiFile(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  if (const auto* why = std::get_if<platform::midi::MidiRefusal>(&read)) {
    out.push_back(FileFinding(Severity::kWarning, code::kBadMusic, name,
                              "the player does not play this music: it " + why->message +
                                  "; the story plays in silence"));
  }
}

// What a script's bytes show as a whole: how its lines end, whether it
// is UTF-8 rather than Shift-JIS, whether it begins with a byte order mark.
struct FileShape {
  long lines = 0;
  long line_feeds = 0;     // lone LFs inside the lines the player reads
  bool utf8 = true;        // every byte so far is part of a UTF-8 sequence
  long multibyte = 0;      // UTF-8 sequences of two bytes or more
  long japanese_utf8 = 0;  // of them, E3 80..E3 83 and EF BC..EF BD: kana and fullwidth forms
  const char* bom = nullptr;

  void Take(long number, const std::string& raw) {
    lines = number;
    if (number == 1) {
      if (raw.rfind("\xEF\xBB\xBF", 0) == 0) bom = "UTF-8";
      if (raw.rfind("\xFF\xFE", 0) == 0) bom = "UTF-16 (little-endian)";
      if (raw.rfind("\xFE\xFF", 0) == 0) bom = "UTF-16 (big-endian)";
    }
    for (size_t i = 0; i < raw.size();) {
      auto b = static_cast<unsigned char>(raw[i]);
      if (b == '\n') ++line_feeds;
      if (b < 0x80) {
        ++i;
        continue;
      }
      size_t n = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
      bool ok = n > 0 && i + n <= raw.size();
      for (size_t k = 1; ok && k < n; ++k)
        ok = (static_cast<unsigned char>(raw[i + k]) & 0xC0) == 0x80;
      if (!ok) {
        utf8 = false;
        ++i;
        continue;
      }
      ++multibyte;
      auto b1 = static_cast<unsigned char>(raw[i + 1]);
      if ((b == 0xE3 && b1 >= 0x80 && b1 <= 0x83) || (b == 0xEF && (b1 == 0xBC || b1 == 0xBD))) {
        ++japanese_utf8;
      }
      i += n;
    }
  }
  // Written in UTF-8: it decodes as UTF-8 with Japanese in it, and its
  // bytes are not Shift-JIS, or most of them are UTF-8's kana pairs.
  bool Utf8(bool not_shift_jis) const {
    return utf8 && multibyte > 0 && (not_shift_jis || japanese_utf8 * 2 > multibyte);
  }
  // Written with LF line ends: the player reads it as one line.
  bool LfEnds() const { return lines == 1 && line_feeds > 0; }
};

// Reads a script again, one line at a time, and checks every line that
// runs; the first line after the script always leaves is reported once, for
// authors who wrote on after a jump or the choice menu. A mistake of the
// whole file (its encoding, its line ends, a byte order mark) is reported
// once for the file, with the fix, instead of line by line.
void CheckScript(Story& story, const ScriptInfo& info, const std::set<int>& flags_set_on,
                 std::vector<Finding>& all_out, std::set<std::string>& pictures_used) {
  StoryFolder& folder = story.folder();
  const Walk walk = story.WalkOf(info);
  Walker walker({}, story.flags_set_on());
  script::Command leave_command = Command::kProse;
  std::vector<Finding> out;
  FileShape shape;
  ReadError stop =
      folder.ReadLines(info.native, [&](long number, const std::string& raw, const Text& text) {
        shape.Take(number, raw);
        if (walk.Live(number)) {
          LineFacts facts = Examine(text, number);
          FlagContext flags{facts.FlagOk() ? walker.ValueOf(facts.flag_number) : -1, &flags_set_on};
          CheckLine(facts, raw, info.name, flags, folder, out, pictures_used);
          walker.Take(Step(facts));
          leave_command = facts.command;
          return true;
        }
        if (text.empty()) return true;
        Finding f;
        f.severity = Severity::kWarning;
        f.code = code::kDeadLine;
        f.where = {info.name, number, 1};
        f.message = "this line and the ones after it never run: the script always leaves at line " +
                    std::to_string(walk.leave_line) + " (" +
                    Quote(script::KeywordText(leave_command)) + ")";
        out.push_back(std::move(f));
        return false;
      });
  if (stop.number != 0) {
    Finding f;
    f.severity = Severity::kError;
    f.code = code::kUnreadableScript;
    f.where = {info.name, stop.line, 1};
    f.message = "the player cannot read this line: " + stop.message + Tail(stop.number);
    f.error_number = stop.number;
    out.push_back(std::move(f));
    shape.lines = 0;  // not read whole: its shape is not known
  }

  const std::string quoted = "'" + info.name + "'";
  auto drop = [&](auto&& which) {
    out.erase(std::remove_if(out.begin(), out.end(), which), out.end());
  };
  // Drops the findings on the lines a whole-file mistake garbles, and
  // gives the file's finding the severity and run-time error of the first
  // error dropped: the story still ends there.
  auto replace_lines = [&](long last_line, Finding file_finding) {
    for (const Finding& f : out) {
      if (f.where.line <= last_line && f.severity == Severity::kError &&
          file_finding.severity != Severity::kError) {
        file_finding.severity = Severity::kError;
        file_finding.error_number = f.error_number;
      }
    }
    drop([&](const Finding& f) { return f.where.line <= last_line; });
    out.push_back(std::move(file_finding));
  };
  if (shape.LfEnds()) {
    Finding f = FileFinding(Severity::kWarning, code::kLineEnds, info.name,
                            "the lines end with a line feed (LF) alone: the player ends a line "
                            "only at a carriage return (CR LF), so it reads the whole file as "
                            "one line");
    f.hint = "convert the line ends to CR LF in the story folder, e.g. sed -i 's/$/\\r/' " + quoted;
    replace_lines(1, std::move(f));
  }
  bool not_shift_jis = std::any_of(out.begin(), out.end(),
                                   [](const Finding& f) { return f.code == code::kBadEncoding; });
  if (shape.lines > 0 && shape.Utf8(not_shift_jis)) {
    drop([](const Finding& f) { return f.code == code::kBadEncoding; });
    Finding f = FileFinding(Severity::kWarning, code::kUtf8Script, info.name,
                            "the script is written in UTF-8: the player reads Shift-JIS "
                            "(code page 932), so its Japanese shows as other characters or '〓', "
                            "and its keywords and names written in Japanese do not match");
    f.hint = "convert it in the story folder, e.g. iconv -f UTF-8 -t CP932 " + quoted +
             " > new.dat && mv new.dat " + quoted;
    out.push_back(std::move(f));
  }
  if (shape.bom) {
    Finding f = FileFinding(Severity::kWarning, code::kByteOrderMark, info.name,
                            std::string("the file begins with a ") + shape.bom +
                                " byte order mark: the player reads its bytes as text of the "
                                "first line, so a command there is not one");
    f.hint = "save the file in Shift-JIS without a byte order mark";
    replace_lines(1, std::move(f));
  }
  all_out.insert(all_out.end(), out.begin(), out.end());
}

// Sorts the findings by place, those of one place in the order they were
// made. The order is found on their indices and the findings then moved
// along its cycles: a sort of the findings themselves takes a buffer of
// half of them, and there may be one for each of millions of scripts.
void SortBySite(std::vector<Finding>& findings) {
  std::vector<uint32_t> order(findings.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return findings[a].where < findings[b].where; });
  // order[j] is the finding that goes to place j.
  std::vector<bool> placed(findings.size());
  for (size_t i = 0; i < findings.size(); ++i) {
    if (placed[i]) continue;
    Finding first = std::move(findings[i]);
    size_t j = i;
    while (true) {
      placed[j] = true;
      const size_t from = order[j];
      if (from == i) {
        findings[j] = std::move(first);
        break;
      }
      findings[j] = std::move(findings[from]);
      j = from;
    }
  }
}

std::string EdgeLabel(const Exit& e) {
  switch (e.kind) {
    case Exit::Kind::kJump:
      return "jump";
    case Exit::Kind::kBranch:
      return ToUtf8(e.flag) + (e.when_on ? " on" : " off");
    case Exit::Kind::kEnding:
      return "ending";
    case Exit::Kind::kNewGame:
      return "new game";
    case Exit::Kind::kMenu:
      break;
  }
  return "";
}

}  // namespace

Report CheckStory(const std::string& dir, bool with_graph) {
  Report report;
  StoryFolder folder(dir);
  Story story(folder);
  std::vector<Finding>& out = report.findings;

  // The flags some line that runs sets on: a test of any other flag being
  // on never passes.
  std::set<int> flags_set_on;
  for (const std::string& native : folder.script_files()) {
    const std::vector<int>& on = story.Info(native).sets_on;
    flags_set_on.insert(on.begin(), on.end());
  }
  story.SetFlagsSetOn(flags_set_on);

  // Which scripts a game plays.
  const OpenResult& opn = folder.OpenScript(u"opn");
  Reach reach;
  if (opn.error != 0) {
    out.push_back(FileFinding(
        Severity::kError,
        opn.error == err::kFileNotFound ? code::kMissingOpn : code::kUnreadableScript, "opn.dat",
        std::string(opn.error == err::kFileNotFound
                        ? "there is no 'opn.dat'"
                        : "'opn.dat' cannot be opened" +
                              (opn.detail.empty() ? "" : " (" + opn.detail + ")")) +
            ": every game starts with it, so the player ends at once" + Tail(opn.error),
        opn.error));
  } else {
    reach = ReachFromOpn(story, opn.native, with_graph);
    out.insert(out.end(), std::make_move_iterator(reach.findings.begin()),
               std::make_move_iterator(reach.findings.end()));
    reach.findings.clear();
  }

  // Every script in the folder, and any a game reaches outside it: views
  // of the paths the folder and the reach hold, looked up in sorted order
  // (a folder may hold hundreds of thousands).
  std::vector<std::string_view> scripts(folder.script_files().begin(), folder.script_files().end());
  {
    std::vector<std::string_view> sorted = scripts;
    std::sort(sorted.begin(), sorted.end());
    for (const std::string& native : reach.reached) {
      if (!std::binary_search(sorted.begin(), sorted.end(), std::string_view(native))) {
        scripts.push_back(native);
      }
    }
  }
  report.scripts = static_cast<int>(folder.script_files().size());

  std::set<std::string> pictures_used;
  for (const std::string_view native : scripts) {
    const ScriptInfo& info = story.Info(native);
    std::set<std::string> used;
    CheckScript(story, info, flags_set_on, out, used);
    if (opn.error != 0 || reach.reached.count(std::string(native))) {
      pictures_used.insert(used.begin(), used.end());
    }
  }

  std::vector<Finding> cycles = FindJumpCycles(
      story, scripts,
      opn.error == 0 ? CyclesPlaysReach(story, opn.native) : std::vector<PlayedCycle>{});
  std::set<std::tuple<std::string, long, long>> cycle_sites;
  for (const Finding& f : cycles) {
    cycle_sites.emplace(f.where.file, f.where.line, f.where.column);
    for (const Site& s : f.related) cycle_sites.emplace(s.file, s.line, s.column);
  }
  out.insert(out.end(), cycles.begin(), cycles.end());
  std::vector<Finding> overdrawn = FindOverdrawnChains(story, scripts);
  out.insert(out.end(), overdrawn.begin(), overdrawn.end());

  // What the walks kept of each script is needed again only for the graph.
  if (!with_graph) story.Forget();

  // A folder of many scripts may leave most of them unreached, or hold
  // many pictures: room for the findings about whole files is made once.
  size_t unreached = 0;
  if (opn.error == 0) {
    for (const std::string& native : folder.script_files())
      unreached += !reach.reached.count(native);
  }
  out.reserve(out.size() + unreached + pictures_used.size() + folder.picture_files().size() + 1);

  if (opn.error == 0) {
    // A script left unreached by a misspelt name: the line that meant it.
    std::map<std::string, Site> meant;
    for (const Finding& f : out) {
      if (f.code == code::kMissingScript && !f.meant.empty()) meant.emplace(f.meant, f.where);
    }
    for (const std::string& native : folder.script_files()) {
      if (reach.reached.count(native)) continue;
      std::string name = folder.RelativeName(native);
      Finding f = FileFinding(Severity::kWarning, code::kUnreachedScript, name,
                              "no game reaches this script: no jump, branch, pick, ending or "
                              "new game from 'opn.dat' leads here");
      auto typo = meant.find(name);
      if (typo != meant.end()) {
        const Site& at = typo->second;
        f.hint = "line " + std::to_string(at.line) + " of '" + at.file +
                 "' names a script that does not exist, and may mean this one";
        f.related.push_back(at);
      }
      out.push_back(std::move(f));
    }
  }
  for (const std::string& native : pictures_used) {
    if (const std::string* warning = folder.PictureWarning(native)) {
      out.push_back(FileFinding(Severity::kWarning, code::kPartialPicture,
                                folder.RelativeName(native),
                                "the picture decodes only in part (" + *warning +
                                    "): the player shows what is missing grey"));
    }
  }
  for (const std::string& native : folder.picture_files()) {
    if (pictures_used.count(native)) continue;
    out.push_back(FileFinding(Severity::kNote, code::kUnusedPicture, folder.RelativeName(native),
                              "no line that a game runs shows this picture"));
  }
  CheckMusic(folder, out);

  SortBySite(out);
  for (const Finding& f : out) {
    if (f.severity == Severity::kError) ++report.errors;
    if (f.severity == Severity::kWarning) ++report.warnings;
    if (f.severity == Severity::kNote) ++report.notes;
  }

  if (!with_graph) return report;
  // The graph.
  std::map<std::string, size_t> node_index;
  auto node = [&](const std::string& id, const std::string& name, bool missing) -> Report::Node& {
    auto [it, fresh] = node_index.emplace(id, report.nodes.size());
    if (fresh) report.nodes.push_back({id, name, false, missing, false});
    return report.nodes[it->second];
  };
  for (const std::string_view view : scripts) {
    const std::string native(view);
    Report::Node& n = node(folder.RelativeName(native), folder.RelativeName(native), false);
    n.reached = reach.reached.count(native) > 0;
    n.start = opn.error == 0 && native == opn.native;
  }
  std::map<std::tuple<std::string, std::string, std::string>, size_t> edge_index;
  auto edge = [&](const std::string& from, const std::string& to, const std::string& label,
                  const Site& site, bool mid_scene = false) -> Report::Edge& {
    auto [it, fresh] = edge_index.emplace(std::make_tuple(from, to, label), report.edges.size());
    if (fresh) report.edges.push_back({from, to, label, false, mid_scene});
    Report::Edge& e = report.edges[it->second];
    // A pick the menu makes too is drawn as the menu's.
    e.mid_scene = e.mid_scene && mid_scene;
    if (cycle_sites.count({site.file, site.line, site.column})) e.cycle = true;
    return e;
  };
  for (const std::string_view native : scripts) {
    const ScriptInfo& info = story.Info(native);
    for (const Exit& e : story.WalkOf(info).exits) {
      if (e.kind == Exit::Kind::kMenu) continue;
      const OpenResult& r = folder.OpenScript(e.target);
      std::string to;
      if (r.error == 0 && !r.native.empty()) {
        to = node(folder.RelativeName(r.native), folder.RelativeName(r.native), false).id;
      } else {
        std::string missing = ToUtf8(e.target) + ".dat";
        to = node("?" + missing, missing, true).id;
      }
      edge(info.name, to, EdgeLabel(e), Site{info.name, e.line, e.column});
    }
  }
  for (const GraphEdge& pick : reach.picks) {
    std::string from = folder.RelativeName(pick.from);
    std::string to =
        pick.missing ? node("?" + pick.to, pick.to, true).id
                     : node(folder.RelativeName(pick.to), folder.RelativeName(pick.to), false).id;
    edge(from, to, pick.label, pick.site, pick.mid_scene).exact_pick = true;
    if (pick.mid_scene) continue;
    const std::string menu = "choice menu";
    node(menu, menu, false).menu = true;
    edge(from, menu, "menu", pick.site).through_menu = true;
    edge(menu, to, pick.label, Site{}).through_menu = true;
  }
  return report;
}

std::string FormatFinding(const Finding& f, const std::string& folder) {
  // Names come from the folder: escaped, a finding is always one line.
  std::string s = Printable(folder + f.where.file);
  if (f.where.line > 0) {
    s += ":" + std::to_string(f.where.line) + ":" + std::to_string(std::max(1L, f.where.column));
  }
  s += std::string(": ") + SeverityName(f.severity) + ": " + Printable(f.message);
  if (!f.hint.empty()) s += " (hint: " + Printable(f.hint) + ")";
  s += " [" + f.code + "]";
  return s;
}

std::string FormatFindingJson(const Finding& f, const std::string& folder) {
  trace::JsonWriter json;
  json.BeginObject();
  json.Key("file").String(Printable(folder + f.where.file));
  json.Key("line").Int(f.where.line);
  json.Key("column").Int(f.where.line > 0 ? std::max(1L, f.where.column) : 0);
  json.Key("severity").String(SeverityName(f.severity));
  json.Key("code").String(f.code);
  json.Key("message").String(Printable(f.message));
  json.Key("hint").String(Printable(f.hint));
  json.EndObject();
  return json.str();
}

namespace {

std::string Count(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string Dot(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

}  // namespace

void PrintFindings(const Report& report, std::ostream& out, const std::string& folder) {
  for (const Finding& f : report.findings) out << FormatFinding(f, folder) << '\n';
  out << "yomite-check: " << Count(report.errors, "error") << ", "
      << Count(report.warnings, "warning");
  if (report.notes > 0) out << ", " << Count(report.notes, "note");
  out << " in " << Count(report.scripts, "script") << '\n';
}

namespace {

// The earlier picks of its button for a scene of the grid ("1_3.dat": 3),
// -1 for any other script.
int GridColumn(const std::string& name) {
  if (name.size() != 7 || (name[0] != '0' && name[0] != '1') || name[1] != '_' || name[2] < '0' ||
      name[2] >= '0' + choice::kScenePicks || name.compare(3, 4, ".dat") != 0) {
    return -1;
  }
  return name[2] - '0';
}

}  // namespace

void PrintGraph(const Report& report, std::ostream& out, GraphPicks picks) {
  out << "digraph story {\n";
  out << "  graph [rankdir=LR, newrank=true, nodesep=0.3, ranksep=0.6];\n";
  out << "  node [shape=box];\n";
  std::vector<std::string> columns[choice::kScenePicks];
  const std::string* bad = nullptr;
  // The scripts that end at the menu say so in their box, instead of an
  // edge each back to it.
  std::set<std::string> to_menu;
  for (const Report::Edge& e : report.edges) {
    if (e.through_menu && e.label == "menu") to_menu.insert(e.from);
  }
  for (const Report::Node& n : report.nodes) {
    if (n.menu) {
      if (picks != GraphPicks::kAll) {
        out << "  " << Dot(n.id) << " [label=" << Dot(n.name) << ", shape=diamond];\n";
      }
      continue;
    }
    std::string label = n.missing ? n.name + " (missing)" : n.name;
    if (picks != GraphPicks::kAll && to_menu.count(n.id)) label += "\n→ choice menu";
    out << "  " << Dot(n.id) << " [label=" << Dot(label);
    if (n.start) out << ", style=bold";
    if (n.missing) out << ", style=dashed, color=red, fontcolor=red";
    if (!n.missing && !n.reached) out << ", color=gray, fontcolor=gray";
    out << "];\n";
    int column = GridColumn(n.name);
    if (column >= 0) columns[column].push_back(n.id);
    if (n.name == ToUtf8(choice::kBadEnding) + ".dat") bad = &n.id;
  }
  // The scenes of each day of the grid side by side, the days in order
  // (kept so by edges that are not drawn).
  const std::string* previous = nullptr;
  for (int v = 0; v < choice::kScenePicks; ++v) {
    if (columns[v].empty()) continue;
    out << "  subgraph cluster_day" << v
        << " {\n    label=" << Dot("picks " + std::to_string(v + 1))
        << "; style=dotted; color=gray; rank=same;\n";
    for (const std::string& id : columns[v]) out << "    " << Dot(id) << ";\n";
    out << "  }\n";
    if (previous) {
      out << "  " << Dot(*previous) << " -> " << Dot(columns[v][0]) << " [style=invis];\n";
    }
    previous = &columns[v][0];
  }
  if (previous && bad) out << "  " << Dot(*previous) << " -> " << Dot(*bad) << " [style=invis];\n";
  for (const Report::Edge& e : report.edges) {
    const bool pick = e.exact_pick || e.through_menu;
    if (e.exact_pick && picks != GraphPicks::kAll) continue;
    if (e.through_menu && (picks == GraphPicks::kAll || e.label == "menu")) continue;
    out << "  " << Dot(e.from) << " -> " << Dot(e.to) << " [label=" << Dot(e.label);
    if (pick) out << ", style=dashed";
    if (pick && e.mid_scene) out << ", color=gray, fontcolor=gray, constraint=false";
    if (e.cycle) out << ", color=red, fontcolor=red";
    out << "];\n";
  }
  out << "}\n";
}

namespace {

constexpr const char* kUsage =
    "usage: yomite-check [--format=text|json] DATDIR\n"
    "       yomite-check --graph[=all] DATDIR\n"
    "       yomite-check --watch DATDIR\n";
constexpr const char* kHelp =
    "Reads the story in the folder DATDIR and lists, one per line as\n"
    "FILE:LINE:COLUMN: error|warning|note: ..., every line that would end the\n"
    "player with a run-time error and every trap of the story format.\n"
    "\n"
    "      --format=F   text (the default) or json: one JSON object a finding,\n"
    "                   with file, line, column, severity, code, message, hint\n"
    "  -g, --graph      print the story's graph in Graphviz dot instead: the\n"
    "                   scripts by day, jumps, branches and the picks at the\n"
    "                   end of a scene; --graph=all adds the mid-scene picks\n"
    "  -w, --watch      check again whenever a file of DATDIR changes, and\n"
    "                   print only the findings that came and went (fixed: ...)\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the version and exit\n"
    "\n"
    "Exit status: 0 when no finding is an error, 1 when one is, 2 for a usage\n"
    "error, 3 when the output cannot be written.\n";

}  // namespace

int RunCheck(const std::vector<std::string>& args_given, std::ostream& out, std::ostream& err,
             const std::function<bool()>& stop_watching) {
  enum { kGraph, kGraphAll, kFormat, kWatch };
  // getopt has no optional values: "--graph=all" is its own option.
  std::vector<std::string> args = args_given;
  for (std::string& a : args) {
    if (a == "--graph=all") a = "--graph-all";
  }
  const CommandLine line = ParseProgramCommandLine(args,
                                                   {{"graph", 'g', false, kGraph},
                                                    {"graph-all", 0, false, kGraphAll},
                                                    {"format", 0, true, kFormat},
                                                    {"watch", 'w', false, kWatch}},
                                                   1);
  if (auto answered =
          AnswerCommonOptions({"yomite-check", kVersion, kUsage, kHelp}, line, out, err)) {
    return *answered;
  }
  GraphPicks graph = GraphPicks::kNone;
  bool json = false;
  bool watch = false;
  for (const ParsedOption& o : line.options) {
    if (o.id == kWatch) watch = true;
    if (o.id == kGraph) graph = GraphPicks::kEndOfScene;
    if (o.id == kGraphAll) graph = GraphPicks::kAll;
    if (o.id == kFormat) {
      if (o.value != "text" && o.value != "json") {
        err << "yomite-check: unknown format '" << Printable(o.value) << "'\n" << kUsage;
        return 2;
      }
      json = o.value == "json";
    }
  }
  const std::vector<std::string>& positional = line.operands;
  if (positional.empty()) {
    err << "yomite-check: no story folder given\n" << kUsage;
    return 2;
  }
  struct stat st;
  if (::stat(positional[0].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    err << "yomite-check: '" << Printable(positional[0]) << "' is not a folder\n" << kUsage;
    return 2;
  }
  std::string dir = positional[0];
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  // Names as the user gave the folder, so that an editor started where
  // the checker ran opens them.
  std::string folder = positional[0];
  if (folder.back() != '/') folder += '/';
  if (watch) return WatchStory(dir, folder, out, err, stop_watching);
  Report report = CheckStory(dir, graph != GraphPicks::kNone);
  if (graph != GraphPicks::kNone) {
    PrintGraph(report, out, graph);
  } else if (json) {
    for (const Finding& f : report.findings) out << FormatFindingJson(f, folder) << '\n';
  } else {
    PrintFindings(report, out, folder);
  }
  out.flush();
  if (!out) {
    // A full disk must not pass for a clean story.
    err << "yomite-check: the findings could not be written\n";
    return 3;
  }
  return report.errors > 0 ? 1 : 0;
}

}  // namespace yomite::check
