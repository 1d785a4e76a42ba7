// The tool as an author runs it: compiler-style lines sorted by file and
// line, the summary, the exit status, usage errors, and the story's graph
// in Graphviz dot.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <sstream>

#include "tests/check/check_support.h"
#include "tests/support/story_builder.h"

using namespace yomite::check;
using namespace yomite::check::testing;

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = RunCheck(args, out, err);
  return {status, out.str(), err.str()};
}

// A small grey picture (or, with texture, one of noise), encoded for real.
std::string RealJpeg(int width = 16, int height = 8, bool texture = false) {
  tjhandle tj = tjInitCompress();
  std::vector<unsigned char> grey(static_cast<size_t>(width * height), 128);
  if (texture) {
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<unsigned char>(i * 7919 % 251);
  }
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  int rc =
      tjCompress2(tj, grey.data(), width, 0, height, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 90, 0);
  std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(jpeg), size) : "";
  tjFree(jpeg);
  tjDestroy(tj);
  return bytes;
}

TEST(Tool, PrintsSortedCompilerStyleLinesAndASummary) {
  Built built = BuildCheckedStory(R"(# music: none
--- file opn.dat
はじめ
これは>pではない
>on>あ
>ive>nowhere
--- file lost.dat
迷子
)",
                                  "tool-broken");
  ToolRun run = Tool({built.dat.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  // Each name begins with the folder as it was given.
  const std::string d = built.dat.string() + "/";
  EXPECT_EQ(run.out,
            d +
                "bgm.mid: warning: there is no background music: the story plays in silence "
                "[missing-music]\n" +
                d +
                "lost.dat: warning: no game reaches this script: no jump, branch, pick, ending or "
                "new game from 'opn.dat' leads here [unreached-script]\n" +
                d +
                "opn.dat:2:4: warning: '>p' at column 4 makes this line a page break, not prose; "
                "its text is not shown [keyword-in-prose]\n" +
                d +
                "opn.dat:3:5: error: the flag 'あ' at column 5 is a double-byte character; a flag "
                "must be a single-byte character (ASCII or halfwidth katakana) (run-time error 9, "
                "Subscript out of range) [bad-flag]\n" +
                d +
                "opn.dat:4:6: error: '>ive' opens the script 'nowhere.dat', which does not exist "
                "(run-time error 53, File not found) [missing-script]\n"
                "yomite-check: 2 errors, 3 warnings in 19 scripts\n");
}

// Run where an editor is started, "some/dat" as the folder: the names open
// from there, whether the folder was given with a separator or not.
TEST(Tool, NamesFilesAsTheFolderWasGiven) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
>ive>nowhere
)",
                                  "tool-names/some");
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(built.dat.parent_path().parent_path());
  ToolRun plain = Tool({"some/dat"});
  ToolRun slash = Tool({"some/dat/"});
  ToolRun dotted = Tool({"./some//dat"});
  std::filesystem::current_path(cwd);
  EXPECT_EQ(plain.out.rfind("some/dat/opn.dat:2:6: error: ", 0), 0u) << plain.out;
  EXPECT_EQ(slash.out.rfind("some/dat/opn.dat:2:6: error: ", 0), 0u) << slash.out;
  EXPECT_EQ(dotted.out.rfind("./some//dat/opn.dat:2:6: error: ", 0), 0u) << dotted.out;
  // The findings themselves stay relative to the folder.
  Report r = CheckFolder(built.dat);
  ASSERT_FALSE(r.findings.empty());
  EXPECT_EQ(r.findings[0].where.file, "opn.dat");
}

TEST(Tool, CleanStoryPrintsOnlyTheSummaryAndSucceeds) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
>ending
--- file end.dat
おわり
>end
)",
                                  "tool-clean");
  ToolRun run = Tool({built.dat.string() + "/"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "yomite-check: 0 errors, 0 warnings in 19 scripts\n");
}

TEST(Tool, WarningsAndNotesAloneDoNotFail) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
>ending
--- file end.dat
おわり
>end 
--- file spare.jpg jpeg 4x4
)",
                                  "tool-warnings");
  ToolRun run = Tool({built.dat.string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("/dat/end.dat:2:5: warning: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("/dat/spare.jpg: note: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("yomite-check: 0 errors, 1 warning, 1 note in 19 scripts\n"),
            std::string::npos)
      << run.out;
}

// The player's decoder: a file whose header is fine but which holds no
// picture data fails as it would in the game.
TEST(Tool, DecodesPicturesAsThePlayerDoes) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
>img>real
>img>header
>ending
--- file end.dat
おわり
>end
--- file real.jpg jpeg 16x8
)",
                                  "tool-decoder");
  yomite::testing::WriteFile(built.dat / "header.jpg", yomite::testing::JpegHeaderBytes(16, 8));
  ToolRun decoded = Tool({built.dat.string()});
  EXPECT_EQ(decoded.status, 1);
  EXPECT_EQ(decoded.out.rfind(built.dat.string() +
                                  "/opn.dat:3:6: error: the picture 'header.jpg' cannot be decoded",
                              0),
            0u)
      << decoded.out;
  EXPECT_NE(decoded.out.find("yomite-check: 1 error, 0 warnings in 19 scripts\n"),
            std::string::npos)
      << decoded.out;
}

// A picture cut short decodes with a warning: the player shows the rest
// grey, so the checker warns once per picture, however many lines show it.
TEST(Tool, WarnsAboutPicturesThatDecodeOnlyInPart) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
>img>cut
>img>whole
>img>cut
>ending
--- file end.dat
おわり
>end
)",
                                  "tool-partial");
  std::string real = RealJpeg(64, 64, true);
  ASSERT_GT(real.size(), 1000u);
  yomite::testing::WriteFile(built.dat / "whole.jpg", real);
  yomite::testing::WriteFile(built.dat / "cut.jpg", real.substr(0, real.size() * 2 / 3));
  ToolRun decoded = Tool({built.dat.string()});
  EXPECT_EQ(decoded.status, 0) << decoded.out;
  EXPECT_EQ(decoded.out, built.dat.string() +
                             "/cut.jpg: warning: the picture decodes only in part (Premature end "
                             "of JPEG file): the player shows what is missing grey "
                             "[partial-picture]\n"
                             "yomite-check: 0 errors, 1 warning in 19 scripts\n");
}

TEST(Tool, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Tool({}).status, 2);
  EXPECT_EQ(Tool({"--frobnicate", "dat"}).status, 2);
  EXPECT_EQ(Tool({"a", "b"}).status, 2);
  ToolRun missing = Tool({"/nonexistent/yomite/dat"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("is not a folder"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  ToolRun help = Tool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: yomite-check"), std::string::npos);
}

// A story with every kind of edge: a jump, a branch, picks, the ending, a
// new game, a missing script and a cycle of jumps.
constexpr const char* kGraphStory = R"(
--- file opn.dat
はじめ
>bon>k>next>side
>ive>hub
--- file hub.dat
ハブ
>on>k
>qst
--- file side.dat
>ive>wh"at
--- file wh"at.dat
>ive>side
--- file 0_0.dat
兄
>ending
--- file 1_0.dat
柚木
>ive>nowhere
--- file end.dat
終わり
>end
)";

TEST(Tool, GraphShowsScriptsAndEveryKindOfWay) {
  Built built = BuildCheckedStory(kGraphStory, "tool-graph");
  ToolRun run = Tool({"--graph", built.dat.string()});
  EXPECT_EQ(run.status, 1) << "the story has errors";
  const std::string& dot = run.out;
  EXPECT_EQ(dot.rfind("digraph story {\n", 0), 0u) << dot;
  for (
      const char* line : {
          R"x("opn.dat" [label="opn.dat", style=bold];)x",
          R"x("?nowhere.dat" [label="nowhere.dat (missing)", style=dashed, color=red, fontcolor=red];)x",
          R"x("opn.dat" -> "side.dat" [label="k on"];)x",
          R"x("opn.dat" -> "hub.dat" [label="jump"];)x",
          R"x("hub.dat" -> "0_0.dat" [label="pick 0", style=dashed];)x",
          R"x("hub.dat" -> "1_0.dat" [label="pick 1", style=dashed];)x",
          R"x("0_0.dat" -> "end.dat" [label="ending"];)x",
          R"x("end.dat" -> "opn.dat" [label="new game"];)x",
          R"x("1_0.dat" -> "?nowhere.dat" [label="jump"];)x",
          R"x("side.dat" -> "wh\"at.dat" [label="jump", color=red, fontcolor=red];)x",
          R"x("wh\"at.dat" -> "side.dat" [label="jump", color=red, fontcolor=red];)x",
      }) {
    EXPECT_NE(dot.find(std::string("  ") + line + "\n"), std::string::npos)
        << "missing: " << line << "\n"
        << dot;
  }
  EXPECT_EQ(dot.substr(dot.size() - 2), "}\n");
}

TEST(Tool, GraphIsValidDot) {
  if (std::system("command -v dot >/dev/null 2>&1") != 0) GTEST_SKIP() << "dot is not installed";
  Built built = BuildCheckedStory(kGraphStory, "tool-dot");
  ToolRun run = Tool({"--graph", built.dat.string()});
  auto folder = built.dat.parent_path();
  yomite::testing::WriteFile(folder / "story.dot", run.out);
  std::string command = "dot -Tpng '" + (folder / "story.dot").string() + "' -o '" +
                        (folder / "story.png").string() + "' 2>'" + (folder / "dot.err").string() +
                        "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << yomite::testing::ReadFile(folder / "dot.err");
  std::string png = yomite::testing::ReadFile(folder / "story.png");
  ASSERT_GE(png.size(), 8u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(yomite::testing::ReadFile(folder / "dot.err"), "");
}

}  // namespace
