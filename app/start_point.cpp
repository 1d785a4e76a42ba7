#include "app/start_point.h"

#include <charconv>

#include "base/printable.h"
#include "base/runtime_error.h"
#include "script/flags.h"

namespace yomite {

namespace {

enum : int {
  kScript = kStartOptionFirstId,
  kFlags,
  kDay,
  kVisits,
};

// A count of the game state: 0 to the largest 16-bit value.
std::optional<int16_t> Count(std::string_view s) {
  int n = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), n);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || n < 0 || n > 32767) {
    return std::nullopt;
  }
  return static_cast<int16_t>(n);
}

}  // namespace

const char* const kStartOptionsHelp =
    "For testing a story in the middle (the first game only; a new game that the\n"
    "story starts opens opn as always):\n"
    "      --start=SCRIPT  start at SCRIPT.dat instead of opn.dat\n"
    "      --flags=CHARS   set these flags first, one character each, no separator\n"
    "                      (e.g. --flags=sk, or halfwidth katakana --flags=ｱｲ)\n"
    "      --visits=A,B    the picks of button 0 and of button 1 already made\n"
    "      --day=N         the picks already made (default A+B)\n";

std::vector<OptionSpec> StartOptionSpecs() {
  return {{"start", 0, true, kScript},
          {"flags", 0, true, kFlags},
          {"day", 0, true, kDay},
          {"visits", 0, true, kVisits}};
}

std::optional<StartPoint> ReadStartPoint(const CommandLine& line, std::string* error) {
  StartPoint start;
  bool given = false;
  std::optional<int16_t> day;
  auto fail = [&](const std::string& what) {
    *error = what;
    return std::nullopt;
  };
  for (const ParsedOption& o : line.options) {
    if (o.id < kScript || o.id > kVisits) continue;
    given = true;
    if (o.id == kScript) {
      if (!IsValidUtf8(o.value)) return fail("--start: the name is not UTF-8");
      Text name = FromUtf8(o.value);
      // The script is named as the story names it, but "0_5.dat" is meant
      // as well.
      if (name.size() > 4 && name.compare(name.size() - 4, 4, u".dat") == 0) {
        name.resize(name.size() - 4);
      }
      if (name.empty()) return fail("--start: no script named");
      start.script = name;
    } else if (o.id == kFlags) {
      if (!IsValidUtf8(o.value)) return fail("--flags: the characters are not UTF-8");
      Text chars = FromUtf8(o.value);
      for (size_t i = 0; i < chars.size(); ++i) {
        try {
          start.flags.push_back(script::FlagNumber(chars.substr(i, 1)));
        } catch (const RuntimeError&) {
          size_t units = 1;
          CodePointAt(chars, i, &units);
          return fail("--flags: '" + Printable(TextView(chars).substr(i, units)) +
                      "' cannot be a flag: a flag is one single-byte character (ASCII or "
                      "halfwidth katakana)");
        }
      }
    } else if (o.id == kDay) {
      day = Count(o.value);
      if (!day) return fail("--day: '" + Printable(o.value) + "' is not a number from 0 to 32767");
    } else {
      size_t comma = o.value.find(',');
      std::optional<int16_t> a, b;
      if (comma != std::string::npos) {
        a = Count(std::string_view(o.value).substr(0, comma));
        b = Count(std::string_view(o.value).substr(comma + 1));
      }
      if (!a || !b) {
        return fail("--visits: '" + Printable(o.value) +
                    "' is not two numbers from 0 to 32767 (A,B, e.g. 3,2)");
      }
      start.visits = {*a, *b};
    }
  }
  if (!given) return std::nullopt;
  // Every pick counts a day and a visit of its button.
  start.day = day ? *day : static_cast<int16_t>(std::min(32767, start.visits[0] + start.visits[1]));
  return start;
}

}  // namespace yomite
