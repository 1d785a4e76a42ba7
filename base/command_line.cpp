#include "base/command_line.h"

#include <getopt.h>

#include <mutex>

namespace yomite {

namespace {

// getopt_long keeps its position in globals.
std::mutex getopt_mutex;

const OptionSpec* ByLetter(const std::vector<OptionSpec>& specs, int letter) {
  for (const OptionSpec& s : specs) {
    if (s.letter != 0 && s.letter == letter) return &s;
  }
  return nullptr;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::vector<OptionSpec>& specs) {
  CommandLine result;
  // getopt_long permutes its argv: give it copies.
  std::vector<std::string> copies;
  copies.reserve(args.size() + 1);
  copies.push_back("program");
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : copies) argv.push_back(s.data());
  argv.push_back(nullptr);

  // A leading ':' reports a missing value as ':' rather than '?'; a leading
  // '+' would stop at the first operand, which users of these tools do not
  // expect ("yomite-trace DAT --controls" works).
  std::string shorts = ":";
  std::vector<option> longs;
  for (size_t i = 0; i < specs.size(); ++i) {
    if (specs[i].letter != 0) {
      shorts += specs[i].letter;
      if (specs[i].takes_value) shorts += ':';
    }
    // Long options report 256 + their index, out of the range of letters.
    longs.push_back({specs[i].name, specs[i].takes_value ? required_argument : no_argument, nullptr,
                     256 + static_cast<int>(i)});
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  std::lock_guard<std::mutex> lock(getopt_mutex);
  optind = 0;  // 0, not 1: also resets glibc's internal state from an earlier parse
  opterr = 0;
  int argc = static_cast<int>(copies.size());
  for (;;) {
    int long_index = -1;
    int c = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), &long_index);
    if (c == -1) break;
    if (c == '?' || c == ':') {
      // The offending word is the last one getopt looked at, unless it was a
      // short option inside a cluster such as "-xc".
      std::string word = argv[optind - 1] ? argv[optind - 1] : "";
      bool short_option = optopt != 0 && optopt < 256 && word.rfind("--", 0) != 0;
      std::string name = short_option ? std::string("-") + static_cast<char>(optopt) : word;
      if (size_t eq = name.find('='); !short_option && eq != std::string::npos) {
        name.resize(eq);
      }
      if (c == ':') {
        result.error = "option '" + name + "' needs a value";
      } else if (optopt >= 256) {
        result.error = "option '" + name + "' takes no value";
      } else if (!short_option && word.rfind("--", 0) == 0) {
        // Unknown or ambiguous: glibc reports both the same way. An
        // abbreviation that fits one option only would have been accepted.
        int fits = 0;
        for (const OptionSpec& s : specs) {
          if ((std::string("--") + s.name).rfind(name, 0) == 0) ++fits;
        }
        result.error = (fits > 1 ? "ambiguous option '" : "unknown option '") + name + "'";
      } else {
        result.error = "unknown option '" + name + "'";
      }
      return result;
    }
    const OptionSpec* spec = c >= 256 ? &specs[c - 256] : ByLetter(specs, c);
    if (!spec) {
      result.error = "unknown option '" + std::string(argv[optind - 1]) + "'";
      return result;
    }
    result.options.push_back({spec->id, optarg ? optarg : ""});
  }
  for (int i = optind; i < argc; ++i) result.operands.push_back(argv[i]);
  return result;
}

CommandLine ParseProgramCommandLine(const std::vector<std::string>& args,
                                    std::vector<OptionSpec> specs, size_t max_operands) {
  specs.push_back({"help", 'h', false, kHelpOptionId});
  specs.push_back({"version", 'V', false, kVersionOptionId});
  CommandLine line = ParseCommandLine(args, specs);
  if (line.error.empty() && line.operands.size() > max_operands) {
    line.error = "too many arguments: '" + line.operands[max_operands] + "'";
  }
  return line;
}

std::optional<int> AnswerCommonOptions(const ProgramText& program, const CommandLine& line,
                                       std::ostream& out, std::ostream& err) {
  if (!line.error.empty()) {
    err << program.name << ": " << line.error << "\n" << program.usage;
    return 2;
  }
  // The first of them wins, as it would if each ended the program at once.
  for (const ParsedOption& o : line.options) {
    if (o.id == kHelpOptionId) {
      out << program.usage << program.help;
      return 0;
    }
    if (o.id == kVersionOptionId) {
      out << program.name << " " << program.version << "\n";
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace yomite
