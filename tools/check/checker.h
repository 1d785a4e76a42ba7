// yomite-check: reads a story folder the way the player will and reports,
// before anyone plays it, every line that would end the program (errors)
// and every line that would surprise its author (warnings).
#pragma once

#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "tools/check/finding.h"
#include "tools/check/flow.h"

namespace yomite::check {

struct Report {
  std::vector<Finding> findings;  // sorted by file, line and column
  int scripts = 0;                // script files in the folder
  int errors = 0;
  int warnings = 0;
  int notes = 0;

  // The story's graph: scripts and the ways between them.
  struct Node {
    std::string id;  // the script's relative name, or "?" and the name of a missing one
    std::string name;
    bool reached = false;
    bool missing = false;
    bool start = false;
    bool menu = false;  // the choice menu, which the end-of-scene picks pass through
  };
  struct Edge {
    std::string from, to;  // node ids
    std::string label;
    bool cycle = false;  // part of a cycle of jumps without text
    // A pick only made mid-scene, where the story waits with text once a
    // layout has shown the buttons.
    bool mid_scene = false;
    // A pick drawn exactly, from the script to the scene (--graph=all), or
    // through the one menu node (a script to the menu, the menu to a scene).
    bool exact_pick = false;
    bool through_menu = false;
  };
  std::vector<Node> nodes;
  std::vector<Edge> edges;
};

// Checks the story in dir, with the player's own file reading and picture
// decoder; the graph is made only when asked for (it holds a node for
// every script).
Report CheckStory(const std::string& dir, bool with_graph = true);

// "FILE:LINE:COLUMN: error: MESSAGE [code]" (no line and column when the
// finding is about a whole file). folder goes before the file's name: the
// story folder as the user named it, with its separator.
std::string FormatFinding(const Finding& finding, const std::string& folder = "");

// The finding as one JSON object on one line, with the members file, line,
// column (0 for a whole file), severity, code, message and hint (may be
// empty).
std::string FormatFindingJson(const Finding& finding, const std::string& folder = "");

// Every finding, then the summary line.
void PrintFindings(const Report& report, std::ostream& out, const std::string& folder = "");

// The graph in Graphviz dot: the scenes of the grid side by side by the
// number of earlier picks of their button. The end-of-scene picks go
// through one node for the choice menu; with kAll every pick is drawn from
// its script to its scene, the mid-scene ones too.
enum class GraphPicks { kNone, kEndOfScene, kAll };
void PrintGraph(const Report& report, std::ostream& out,
                GraphPicks picks = GraphPicks::kEndOfScene);

// The tool: yomite-check [--format=F|--graph[=all]|--watch] DATDIR. Returns
// the exit status: 1 when there is an error, 0 otherwise, 2 for a usage
// error, 3 when the output cannot be written. --watch runs until
// stop_watching answers true (never, by default: until a signal ends it).
int RunCheck(
    const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    const std::function<bool()>& stop_watching = [] { return false; });

}  // namespace yomite::check
