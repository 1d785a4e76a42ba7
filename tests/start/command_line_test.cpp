// The options as getopt_long reads them, and the usage errors the three
// programs print through it.
#include "base/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "app/start_point.h"
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

TEST(StartOptions, ReadTheStartPointOrNameWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    std::optional<StartPoint> start;  // nullopt: none asked for, or an error
    std::string error;
  };
  auto at = [](Text script, std::vector<int> flags, int16_t day, int16_t v0, int16_t v1) {
    return StartPoint{script, flags, day, {v0, v1}};
  };
  const Case cases[] = {
      {{"dat"}, std::nullopt, ""},
      {{"--start=0_5", "dat"}, at(u"0_5", {}, 0, 0, 0), ""},
      {{"--start", "0_5.dat"}, at(u"0_5", {}, 0, 0, 0), ""},
      {{"--start=場面.dat"}, at(u"場面", {}, 0, 0, 0), ""},
      // The day counts the visits unless it is given.
      {{"--visits=3,2", "--start=toudai"}, at(u"toudai", {}, 5, 3, 2), ""},
      {{"--visits=3,2", "--day=8"}, at(u"opn", {}, 8, 3, 2), ""},
      {{"--day=32767", "--visits=32767,32767"}, at(u"opn", {}, 32767, 32767, 32767), ""},
      {{"--visits=32767,32767"}, at(u"opn", {}, 32767, 32767, 32767), ""},
      {{"--flags=sk,E"}, at(u"opn", {'s', 'k', ',', 'E'}, 0, 0, 0), ""},
      {{"--flags=ｱﾝ"}, at(u"opn", {0xB1, 0xDD}, 0, 0, 0), ""},
      {{"--flags="}, at(u"opn", {}, 0, 0, 0), ""},
      {{"--flags=aあ"},
       std::nullopt,
       "--flags: 'あ' cannot be a flag: a flag is one single-byte character (ASCII or halfwidth "
       "katakana)"},
      {{"--flags=😀"},
       std::nullopt,
       "--flags: '😀' cannot be a flag: a flag is one single-byte "
       "character (ASCII or halfwidth katakana)"},
      {{"--flags=\xff"}, std::nullopt, "--flags: the characters are not UTF-8"},
      {{"--start="}, std::nullopt, "--start: no script named"},
      {{"--start=.dat"}, at(u".dat", {}, 0, 0, 0), ""},  // only an extension is a name
      {{"--day=-1"}, std::nullopt, "--day: '-1' is not a number from 0 to 32767"},
      {{"--day=32768"}, std::nullopt, "--day: '32768' is not a number from 0 to 32767"},
      {{"--day=6th"}, std::nullopt, "--day: '6th' is not a number from 0 to 32767"},
      {{"--visits=3"},
       std::nullopt,
       "--visits: '3' is not two numbers from 0 to 32767 (A,B, e.g. 3,2)"},
      {{"--visits=3,"},
       std::nullopt,
       "--visits: '3,' is not two numbers from 0 to 32767 (A,B, e.g. 3,2)"},
      {{"--visits=1,2,3"},
       std::nullopt,
       "--visits: '1,2,3' is not two numbers from 0 to 32767 (A,B, e.g. 3,2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    const CommandLine line = ParseProgramCommandLine(c.args, StartOptionSpecs(), 1);
    ASSERT_EQ(line.error, "");
    std::string error;
    std::optional<StartPoint> start = ReadStartPoint(line, &error);
    EXPECT_EQ(error, c.error);
    ASSERT_EQ(start.has_value(), c.start.has_value());
    if (!start) continue;
    EXPECT_EQ(start->script, c.start->script);
    EXPECT_EQ(start->flags, c.start->flags);
    EXPECT_EQ(start->day, c.start->day);
    EXPECT_EQ(start->visits, c.start->visits);
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
  ToolRun flag = Trace({"--flags=あ", "dat"});
  EXPECT_EQ(flag.status, 2);
  EXPECT_EQ(flag.err.rfind("yomite-trace: --flags: 'あ' cannot be a flag", 0), 0u) << flag.err;
  EXPECT_NE(h.out.find("--start=SCRIPT"), std::string::npos);
}

}  // namespace
