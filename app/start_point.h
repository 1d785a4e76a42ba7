// Starting a story in the middle, for its author: the first game of a run
// opens a named script with flags already set and the day and visits
// counted, so that day 6 is tested without clicking through five days. Only
// the first game: a new game started by the story itself opens "opn" and
// counts from 0 as always.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/text.h"

namespace yomite {

struct StartPoint {
  Text script = u"opn";
  std::vector<int> flags;  // flag numbers to set
  int16_t day = 0;
  std::array<int16_t, 2> visits{};
};

// The options both the player and yomite-trace take: --start=SCRIPT,
// --flags=CHARS, --day=N, --visits=A,B. Their ids are kStartOptionFirstId
// and the three after it.
inline constexpr int kStartOptionFirstId = 1000;
std::vector<OptionSpec> StartOptionSpecs();
// Their lines of --help.
extern const char* const kStartOptionsHelp;

// The start point the options ask for; nullopt when none of them is given
// (the story starts at "opn" as usual) or one is wrong, which then sets
// error to what is wrong.
std::optional<StartPoint> ReadStartPoint(const CommandLine& line, std::string* error);

}  // namespace yomite
