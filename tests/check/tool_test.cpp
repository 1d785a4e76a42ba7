// The tool as an author runs it: compiler-style lines sorted by file and
// line, the summary, the exit status, usage errors, and the story's graph
// in Graphviz dot.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
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

std::string PrintedFindings(const Report& r) {
  std::ostringstream out;
  PrintFindings(r, out);
  return out.str();
}

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
  ToolRun run = Tool({"--graph=all", built.dat.string()});
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

// Without =all the end-of-scene picks go through one menu node, the
// scripts that end there say so in their box, and the mid-scene picks are
// left out; the scenes of each day of the grid stand side by side.
TEST(Tool, GraphDrawsTheMenuOnceAndMidScenePicksOnlyWhenAskedFor) {
  Built built = BuildCheckedStory(kGraphStory, "tool-graph-all");
  ToolRun plain = Tool({"--graph", built.dat.string()});
  ToolRun all = Tool({"--graph=all", built.dat.string()});
  // opn.dat waits with text but never opens the menu: its picks are mid-scene.
  const std::string mid = R"x("opn.dat" -> "0_0.dat" [label="pick 0", style=dashed, color=gray)x";
  const std::string exact = R"x("hub.dat" -> "0_0.dat" [label="pick 0", style=dashed];)x";
  for (const std::string& line : {
           mid,
           exact,
           std::string(R"x("hub.dat" -> "choice menu")x"),
       }) {
    EXPECT_EQ(plain.out.find(line), std::string::npos) << line << "\n" << plain.out;
  }
  EXPECT_NE(all.out.find(mid), std::string::npos) << all.out;
  EXPECT_NE(all.out.find(exact), std::string::npos) << all.out;
  EXPECT_EQ(all.out.find("choice menu"), std::string::npos) << all.out;
  for (const std::string& line : {
           std::string(R"x("choice menu" [label="choice menu", shape=diamond];)x"),
           std::string(R"x("hub.dat" [label="hub.dat\n→ choice menu"];)x"),
           std::string(R"x("choice menu" -> "0_0.dat" [label="pick 0", style=dashed];)x"),
           std::string(R"x("choice menu" -> "1_0.dat" [label="pick 1", style=dashed];)x"),
           std::string("subgraph cluster_day0 {\n    label=\"picks 1\"; style=dotted; color=gray; "
                       "rank=same;\n    \"0_0.dat\";\n"),
       }) {
    EXPECT_NE(plain.out.find(line), std::string::npos) << line << "\n" << plain.out;
  }
}

// A full disk must not pass for a clean story.
TEST(Tool, OutputThatCannotBeWrittenFails) {
  Built built = BuildCheckedStory("--- file opn.dat\nはじめ\n>ending\n--- file end.dat\n終\n>end\n",
                                  "tool-full");
  for (const std::vector<std::string>& args : {std::vector<std::string>{built.dat.string()},
                                               {"--format=json", built.dat.string()},
                                               {"--graph", built.dat.string()}}) {
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(RunCheck(args, out, err), 3) << args[0];
    EXPECT_NE(err.str().find("could not be written"), std::string::npos) << err.str();
  }
  EXPECT_EQ(Tool({"--format=xml", built.dat.string()}).status, 2);
}

// Mistakes an author makes with a whole file or a name: each found once,
// with what to do, and the findings that only follow from it left out.
TEST(Tool, AuthorsMistakesComeWithTheirFix) {
  struct Case {
    const char* name;
    std::string opn;  // opn.dat's lines after a first line of text (UTF-8, CR LF)
    std::vector<std::pair<std::string, std::string>> files;  // written as raw bytes
    std::string code, file, hint;                            // expected ("" for none)
    std::vector<std::string> absent;                         // codes that must not be reported
    long line = 0;
  };
  const std::string sjis_text = yomite::testing::ScriptBytes("はじめの朝");
  const std::vector<Case> cases = {
      {"utf8",
       ">ive>x",
       {{"x.dat", "これは UTF-8 の台本です\r\nかきくけこ\r\n"}},
       "utf8-script",
       "x.dat",
       "iconv -f UTF-8 -t CP932 'x.dat'",
       {"bad-encoding"}},
      {"utf8-kana-only",
       ">ive>x",
       // Valid Shift-JIS as well, but UTF-8's kana pairs throughout.
       {{"x.dat", "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\r\n"}},
       "utf8-script",
       "x.dat",
       "iconv",
       {}},
      {"lf",
       ">ive>x",
       {{"x.dat", sjis_text + "\n>img>sora\n>ending\n"}},
       "line-ends",
       "x.dat",
       "sed -i 's/$/\\r/' 'x.dat'",
       {"lone-lf", "missing-picture"}},
      {"bom",
       ">ive>x",
       {{"x.dat", "\xEF\xBB\xBF>p\r\n" + sjis_text + "\r\n"}},
       "byte-order-mark",
       "x.dat",
       "without a byte order mark",
       {"bad-encoding", "keyword-in-prose"}},
      // A lone CR ends a line for the player: nothing to report.
      {"cr",
       ">ive>x",
       {{"x.dat", sjis_text + "\r>ending\r"}},
       "",
       "",
       "",
       {"line-ends", "lone-lf"}},
      {"typo",
       ">ive>takra",
       {{"takara.dat", sjis_text + "\r\n"}},
       "missing-script",
       "opn.dat",
       "did you mean 'takara'? 'takara.dat' exists",
       {},
       2},
      {"typo-unreached",
       ">ive>takra",
       {{"takara.dat", sjis_text + "\r\n"}},
       "unreached-script",
       "takara.dat",
       "line 2 of 'opn.dat' names a script",
       {}},
      {"case",
       ">ive>Takara2",
       {{"takara.dat", sjis_text + "\r\n"}},
       "missing-script",
       "opn.dat",
       "did you mean 'takara'?",
       {},
       2},
      {"far",
       ">ive>zzzzzz",
       {{"takara.dat", sjis_text + "\r\n"}},
       "missing-script",
       "opn.dat",
       "",
       {},
       2},
      {"jpeg",
       ">img>kissaten\r\n>ending",
       {{"kissaten.jpeg", "x"}},
       "missing-picture",
       "opn.dat",
       "'kissaten.jpeg' exists, but the player opens only "
       "'kissaten.jpg'",
       {},
       2},
      {"JPEG",
       ">img>sora\r\n>ending",
       {{"SORA.JPEG", "x"}},
       "missing-picture",
       "opn.dat",
       "'SORA.JPEG' exists",
       {},
       2},
      {"outside",
       ">img>..\\..\\x\r\n>ending",
       {},
       "outside-folder",
       "opn.dat",
       "keep the story's files in its folder",
       {},
       2},
      {"inside", ">img>a\\..\\real\r\n>ending", {}, "", "", "", {"outside-folder"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Built built =
        BuildCheckedStory("--- file opn.dat\nはじめ\n" + c.opn +
                              "\n--- file end.dat\n終\n>end\n--- file real.jpg jpeg 4x4\n",
                          std::string("tool-mistake-") + c.name);
    for (const auto& [file, bytes] : c.files) yomite::testing::WriteFile(built.dat / file, bytes);
    Report r = CheckFolder(built.dat);
    for (const Finding& f : r.findings) {
      for (const std::string& code : c.absent) EXPECT_NE(f.code, code) << FormatFinding(f);
      // A whole-file finding is the file's first, and comes once.
      if (f.where.line == 0 && f.code != "unreached-script") {
        auto first = std::find_if(r.findings.begin(), r.findings.end(),
                                  [&](const Finding& g) { return g.where.file == f.where.file; });
        EXPECT_EQ(first->code == "unreached-script" ? (first + 1)->code : first->code, f.code);
      }
    }
    if (c.code.empty()) continue;
    auto found = std::find_if(r.findings.begin(), r.findings.end(), [&](const Finding& f) {
      return f.code == c.code && f.where.file == c.file;
    });
    ASSERT_NE(found, r.findings.end()) << PrintedFindings(r);
    EXPECT_EQ(found->where.line, c.line) << FormatFinding(*found);
    EXPECT_EQ(
        std::count_if(r.findings.begin(), r.findings.end(),
                      [&](const Finding& f) { return f.code == c.code && f.where.file == c.file; }),
        1);
    if (c.hint.empty()) {
      EXPECT_EQ(found->hint, "") << FormatFinding(*found);
    } else {
      EXPECT_NE(found->hint.find(c.hint), std::string::npos) << FormatFinding(*found);
    }
  }
}

// A file dropped into the folder with a line feed and a finding's shape in
// its name cannot add a line to the output.
TEST(Tool, NamesFromTheFolderCannotForgeAFinding) {
  Built built = BuildCheckedStory("--- file opn.dat\nはじめ\n>ending\n--- file end.dat\n終\n>end\n",
                                  "tool-forged");
  yomite::testing::WriteFile(built.dat / "zz\nopn.dat:7:7: error: FORGED \x1b]0;t\x07.dat",
                             yomite::testing::ScriptBytes("あ") + "\r\n");
  for (const char* format : {"--format=text", "--format=json"}) {
    ToolRun run = Tool({format, built.dat.string()});
    std::istringstream lines(run.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
      EXPECT_EQ(line.rfind("opn.dat:7:7", 0), std::string::npos) << line;
      EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    }
    EXPECT_EQ(count, std::string(format) == "--format=json" ? 1 : 2) << run.out;
    // In JSON the escapes' backslashes are escaped once more.
    const std::string escaped = std::string(format) == "--format=json"
                                    ? "zz\\\\nopn.dat:7:7: error: FORGED \\\\e]0;t\\\\x07.dat"
                                    : "zz\\nopn.dat:7:7: error: FORGED \\e]0;t\\x07.dat";
    EXPECT_NE(run.out.find(escaped), std::string::npos) << run.out;
  }
}

// With no scene file at all, one finding names all seventeen and the rule.
TEST(Tool, EveryMissingSceneInOneFinding) {
  Built built = BuildCheckedStory("# scenes: none\n--- file opn.dat\nはじめ\n", "tool-no-grid");
  Report r = CheckFolder(built.dat);
  ASSERT_EQ(r.findings.size(), 1u) << PrintedFindings(r);
  const Finding& f = r.findings[0];
  EXPECT_EQ(f.code, "missing-scene");
  EXPECT_EQ(f.where.file, "opn.dat");
  std::string all;
  for (int b = 0; b < 2; ++b) {
    for (int v = 0; v < 8; ++v) all += std::to_string(b) + "_" + std::to_string(v) + ".dat, ";
  }
  all += "bad.dat";
  EXPECT_NE(f.message.find("need 17 scene files that do not exist: " + all), std::string::npos)
      << f.message;
  EXPECT_NE(f.hint.find("0_0.dat to 0_7.dat, 1_0.dat to 1_7.dat and bad.dat"), std::string::npos)
      << f.hint;
  // With the grid complete but for one, only that one is named.
  Built one = BuildCheckedStory("# missing: 1_7\n--- file opn.dat\nはじめ\n", "tool-grid-one");
  Report r1 = CheckFolder(one.dat);
  ASSERT_EQ(r1.findings.size(), 1u) << PrintedFindings(r1);
  EXPECT_NE(r1.findings[0].message.find("'1_7.dat', which does not exist"), std::string::npos);
  EXPECT_EQ(r1.findings[0].message.find("in all"), std::string::npos) << r1.findings[0].message;
}

// Every code the checker emits is one the manual lists.
TEST(Tool, ManualListsEveryFindingCode) {
  const std::string manual = yomite::testing::ReadFile(std::filesystem::path(YOMITE_SOURCE_DIR) /
                                                       "dist/man/yomite-check.1.in");
  const std::string readme =
      yomite::testing::ReadFile(std::filesystem::path(YOMITE_SOURCE_DIR) / "tools/check/README.md");
  for (const char* code : code::kAll) {
    // groff writes a hyphen as \-.
    std::string in_groff;
    for (const char* c = code; *c; ++c)
      in_groff += *c == '-' ? std::string("\\-") : std::string(1, *c);
    EXPECT_NE(manual.find(".B " + in_groff + "\n"), std::string::npos) << code;
    EXPECT_NE(readme.find(std::string("`") + code + "`"), std::string::npos) << code;
  }
}

// --watch: after each edit only the findings that came and went. The
// edits are made from the stop callback, which the watch calls between
// waits on its own thread.
TEST(Tool, WatchPrintsOnlyWhatChanged) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
>img>sora
>ive>nowhere
)",
                                  "tool-watch");
  std::ostringstream out, err;
  const std::string d = built.dat.string() + "/";
  const std::string missing_script =
      d + "opn.dat:3:6: error: '>ive' opens the script 'nowhere.dat'";
  const std::string missing_picture = d + "opn.dat:2:6: error: the picture 'sora.jpg'";
  int step = 0;
  auto started = std::chrono::steady_clock::now();
  auto stop = [&] {
    if (std::chrono::steady_clock::now() - started > std::chrono::seconds(60)) return true;
    const std::string& so_far = out.str();
    switch (step) {
      case 0:  // the first check is out: mend the jump
        if (so_far.find(missing_script) == std::string::npos) return false;
        yomite::testing::WriteFile(built.dat / "nowhere.dat",
                                   yomite::testing::ScriptBytes("どこか") + "\r\n>ending\r\n");
        ++step;
        return false;
      case 1:  // mended: now add a script no game reaches
        if (so_far.find("fixed: " + missing_script) == std::string::npos) return false;
        yomite::testing::WriteFile(built.dat / "spare.dat", "x\r\n");
        ++step;
        return false;
      default:
        return so_far.find(d + "spare.dat: warning: no game reaches") != std::string::npos;
    }
  };
  EXPECT_EQ(RunCheck({"--watch", built.dat.string()}, out, err, stop), 0) << err.str();
  EXPECT_EQ(step, 2) << out.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("fixed: " + missing_script), std::string::npos) << text;
  EXPECT_NE(text.find(d + "spare.dat: warning: no game reaches"), std::string::npos) << text;
  // The picture stayed missing: printed by the first check only.
  size_t first = text.find(missing_picture);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_EQ(text.find(missing_picture, first + 1), std::string::npos) << text;
}

}  // namespace
