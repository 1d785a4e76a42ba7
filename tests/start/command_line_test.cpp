// The options as getopt_long reads them, and the usage errors the three
// programs print through it.
#include "base/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "tools/trace/trace_runner.h"

using namespace yomite;

namespace {

enum { kScreen, kControls, kHelp, kVersion };
const std::vector<OptionSpec> kSpecs = {{"screen", 's', true, kScreen},
                                        {"controls", 'c', false, kControls},
                                        {"help", 'h', false, kHelp},
                                        {"version", 'V', false, kVersion}};

TEST(CommandLine, ReadsLongShortAbbreviatedAndJoinedValues) {
  CommandLine line = ParseCommandLine(
      {"dat", "--screen", "800x600", "-c", "--scr=640x480", "-s1x1", "events", "--cont"}, kSpecs);
  ASSERT_EQ(line.error, "");
  ASSERT_EQ(line.options.size(), 5u);
  EXPECT_EQ(line.options[0].id, kScreen);
  EXPECT_EQ(line.options[0].value, "800x600");
  EXPECT_EQ(line.options[1].id, kControls);
  EXPECT_EQ(line.options[2].value, "640x480");
  EXPECT_EQ(line.options[3].value, "1x1");
  EXPECT_EQ(line.options[4].id, kControls);
  EXPECT_EQ(line.operands, (std::vector<std::string>{"dat", "events"}))
      << "operands may come before and between options";
}

TEST(CommandLine, DashIsAnOperandAndDoubleDashEndsTheOptions) {
  CommandLine line = ParseCommandLine({"-", "--", "--controls", "-c"}, kSpecs);
  EXPECT_EQ(line.error, "");
  EXPECT_TRUE(line.options.empty());
  EXPECT_EQ(line.operands, (std::vector<std::string>{"-", "--controls", "-c"}));
}

TEST(CommandLine, ErrorsNameWhatIsWrong) {
  EXPECT_EQ(ParseCommandLine({"--frobnicate"}, kSpecs).error, "unknown option '--frobnicate'");
  EXPECT_EQ(ParseCommandLine({"--frob=1"}, kSpecs).error, "unknown option '--frob'");
  EXPECT_EQ(ParseCommandLine({"-x"}, kSpecs).error, "unknown option '-x'");
  EXPECT_EQ(ParseCommandLine({"-cx"}, kSpecs).error, "unknown option '-x'")
      << "the bad letter inside a cluster";
  EXPECT_EQ(ParseCommandLine({"dat", "--screen"}, kSpecs).error, "option '--screen' needs a value");
  EXPECT_EQ(ParseCommandLine({"-s"}, kSpecs).error, "option '-s' needs a value");
  EXPECT_EQ(ParseCommandLine({"--controls=yes"}, kSpecs).error,
            "option '--controls' takes no value");
  std::vector<OptionSpec> close = {{"verbose", 0, false, 1}, {"version", 0, false, 2}};
  EXPECT_EQ(ParseCommandLine({"--ver"}, close).error, "ambiguous option '--ver'");
}

TEST(CommandLine, ASecondParseStartsAfresh) {
  // glibc keeps its place in a cluster between calls unless it is reset.
  EXPECT_NE(ParseCommandLine({"-cx"}, kSpecs).error, "");
  CommandLine line = ParseCommandLine({"-c", "dat"}, kSpecs);
  EXPECT_EQ(line.error, "");
  ASSERT_EQ(line.options.size(), 1u);
  EXPECT_EQ(line.operands, std::vector<std::string>{"dat"});
}

TEST(CommandLine, HelpVersionAndUsageErrorsAreAnsweredAlikeForEveryProgram) {
  const ProgramText program{"prog", "9.9", "usage: prog DAT\n", "help text\n"};
  struct Case {
    std::vector<std::string> args;
    std::optional<int> status;
    std::string out, err;
  };
  const Case cases[] = {
      {{"dat", "--help"}, 0, "usage: prog DAT\nhelp text\n", ""},
      {{"-V", "dat"}, 0, "prog 9.9\n", ""},
      {{"--vers", "-h"}, 0, "prog 9.9\n", ""},  // the first one given wins
      {{"-h", "--bogus"}, 2, "", "prog: unknown option '--bogus'\nusage: prog DAT\n"},
      {{"-c", "dat"}, std::nullopt, "", ""},
      {{"dat", "more", "-h"}, 2, "", "prog: too many arguments: 'more'\nusage: prog DAT\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    const CommandLine line = ParseProgramCommandLine(c.args, {{"controls", 'c', false, 0}}, 1);
    std::ostringstream out, err;
    EXPECT_EQ(AnswerCommonOptions(program, line, out, err), c.status);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
  }
}

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Trace(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  int status = trace::RunTrace(args, in, out, err);
  return {status, out.str(), err.str()};
}

TEST(TraceOptions, VersionHelpAndUsageErrors) {
  ToolRun v = Trace({"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, std::string("yomite-trace ") + YOMITE_VERSION + "\n");
  ToolRun h = Trace({"-h"});
  EXPECT_EQ(h.status, 0);
  EXPECT_EQ(h.out.rfind("usage: yomite-trace", 0), 0u);
  EXPECT_NE(h.out.find("--screen WxH"), std::string::npos);

  ToolRun bad = Trace({"--screen", "wide", "dat"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err.rfind("yomite-trace: bad screen size 'wide'", 0), 0u) << bad.err;
  ToolRun none = Trace({"--controls"});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err.rfind("yomite-trace: no story folder given\n", 0), 0u) << none.err;
  ToolRun many = Trace({"a", "b", "c"});
  EXPECT_EQ(many.status, 2);
  EXPECT_EQ(many.err.rfind("yomite-trace: too many arguments: 'c'\n", 0), 0u) << many.err;
  EXPECT_EQ(Trace({"--sc"}).err.rfind("yomite-trace: option '--sc' needs a value\n", 0), 0u);
}

}  // namespace
