// Options of the three programs, read with getopt_long so that they behave as
// every other command-line program's do: long options may be abbreviated,
// "--name=value" and "--name value" both work, "--" ends the options.
#pragma once

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

}  // namespace yomite
