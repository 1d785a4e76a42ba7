// Options of the three programs, read with getopt_long so that they behave as
// every other command-line program's do: long options may be abbreviated,
// "--name=value" and "--name value" both work, "--" ends the options.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace yomite {

struct OptionSpec {
  const char* name;  // the long name, without "--"
  char letter;       // the short name, or 0 for none
  bool takes_value;
  int id;  // what Parse reports for it
};

struct ParsedOption {
  int id;
  std::string value;  // empty for an option without a value
};

struct CommandLine {
  std::vector<ParsedOption> options;  // in the order given
  std::vector<std::string> operands;  // everything that is not an option
  std::string error;                  // empty, or what is wrong, e.g. "unknown option '--x'"
};

// Reads args (without the program name). Never prints and never exits: the
// caller reports `error` with its usage line.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::vector<OptionSpec>& specs);

// What each of the three programs answers alike, before it looks at its own
// options: --help (-h), --version (-V) and a usage error.
struct ProgramText {
  const char* name;     // as its messages begin, e.g. "yomite-check"
  const char* version;  // the project's version
  const char* usage;    // the usage lines, each ending in a new line
  const char* help;     // what --help prints after them
};

// The ids --help and --version are reported with; a program's own options
// use ids of 0 and above.
inline constexpr int kHelpOptionId = -1;
inline constexpr int kVersionOptionId = -2;

// ParseCommandLine with --help and --version added to the program's own
// options; more than max_operands operands is an error.
CommandLine ParseProgramCommandLine(const std::vector<std::string>& args,
                                    std::vector<OptionSpec> specs, size_t max_operands);

// When the line is answered already, prints the answer and returns the exit
// status: 2 for an error ("NAME: ERROR" and the usage, on err), 0 for --help
// (usage and help) or --version ("NAME VERSION"), on out. Otherwise nullopt,
// and the program goes on with the line.
std::optional<int> AnswerCommonOptions(const ProgramText& program, const CommandLine& line,
                                       std::ostream& out, std::ostream& err);

}  // namespace yomite
