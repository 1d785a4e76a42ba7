// The authors' reference, docs/story-format.md, and its manual page kept in
// step with the format code: every keyword in its place in the command
// table, and the complete example built from the document's own listing,
// checked with no finding and played to its ending.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "script/format.h"
#include "tests/check/check_support.h"
#include "tests/support/story_builder.h"
#include "tools/trace/trace_runner.h"

using namespace yomite;
using namespace yomite::check;
using namespace yomite::check::testing;
using yomite::testing::FreshFolder;
using yomite::testing::PictureBytes;
using yomite::testing::ReadFile;
using yomite::testing::ScriptBytes;
using yomite::testing::WriteFile;

namespace fs = std::filesystem;

namespace {

const fs::path kSource = YOMITE_SOURCE_DIR;

// The manual page's text with roff's font changes and escapes taken out.
std::string PlainRoff(std::string roff) {
  roff = std::regex_replace(roff, std::regex(R"(\\f[BIRP])"), "");
  roff = std::regex_replace(roff, std::regex(R"(\\-)"), "-");
  return std::regex_replace(roff, std::regex(R"(\\&)"), "");
}

TEST(Reference, NamesEveryKeywordInItsOrderAndEveryMarker) {
  const std::string doc = ReadFile(kSource / "docs/story-format.md");
  const std::string man = PlainRoff(ReadFile(kSource / "dist/man/yomite-story.5.in"));
  ASSERT_FALSE(doc.empty());
  ASSERT_FALSE(man.empty());
  for (size_t i = 0; i < script::kKeywords.size(); ++i) {
    const std::string keyword = ToUtf8(script::kKeywords[i].text);
    SCOPED_TRACE(keyword);
    // The row of the command table: its order, then the keyword.
    EXPECT_NE(doc.find("| " + std::to_string(i + 1) + " | `" + keyword + "` |"), std::string::npos)
        << "the command table of docs/story-format.md lacks row " << i + 1;
    // The manual page's table: the order at the start of a row, the keyword after a tab.
    EXPECT_TRUE(std::regex_search(
        man, std::regex("\n" + std::to_string(i + 1) + "\t" + keyword + "(\t|\n)")))
        << "yomite-story.5 lacks row " << i + 1;
  }
  std::vector<TextView> others(script::kPauseKeywords.begin(), script::kPauseKeywords.end());
  for (TextView marker : {script::kMarkGame, script::kMarkHtml, script::kMarkBad, script::kMarkQst,
                          script::kMarkEnd}) {
    others.push_back(marker);
  }
  for (TextView text : others) {
    const std::string word = ToUtf8(text);
    EXPECT_NE(doc.find("`" + word + "`"), std::string::npos) << word;
    EXPECT_NE(man.find(word), std::string::npos) << word;
  }
  const std::string placeholder = ToUtf8(TextView(&script::kPlaceholder, 1));
  const std::string name = ToUtf8(TextView(&script::kPlaceholderName, 1));
  EXPECT_NE(doc.find("`" + placeholder + "`"), std::string::npos);
  EXPECT_NE(doc.find("`" + name + "`"), std::string::npos);
  EXPECT_NE(man.find(placeholder), std::string::npos);
  EXPECT_NE(man.find(name), std::string::npos);
}

// The example's files as the document lists them: a heading with the file
// name and a fenced block, or a row "| `NAME` | its one line |".
std::map<std::string, std::string> ExampleFiles(const std::string& doc) {
  std::map<std::string, std::string> files;
  const std::string example = doc.substr(doc.find("## A complete example"));
  static const std::regex kBlock("#### `([^`]+)`\n\n```text\n([^`]*)```");
  for (std::sregex_iterator it(example.begin(), example.end(), kBlock), end; it != end; ++it) {
    files[(*it)[1]] = (*it)[2];
  }
  static const std::regex kRow("\n\\| `([^`]+\\.dat)` \\| ([^|\n]+) \\|");
  for (std::sregex_iterator it(example.begin(), example.end(), kRow), end; it != end; ++it) {
    files[(*it)[1]] = std::string((*it)[2]) + "\n";
  }
  return files;
}

TEST(Reference, TheExampleStoryPassesTheCheckerAndReachesItsEnding) {
  const auto files = ExampleFiles(ReadFile(kSource / "docs/story-format.md"));
  ASSERT_GE(files.size(), 18u) << "opn, sixteen scenes and bad at least";
  fs::path dat = FreshFolder("reference-example") / "dat";
  fs::create_directories(dat);
  for (const auto& [name, text] : files) {
    std::string bytes;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) bytes += ScriptBytes(line) + "\r\n";
    WriteFile(dat / name, bytes);
  }
  WriteFile(dat / "mado.jpg", PictureBytes(64, 32));
  WriteFile(dat / "3.jpg", PictureBytes(64, 32));
  WriteFile(dat / "bgm.mid", MidiBytes());

  Report report = CheckFolder(dat);
  for (const Finding& f : report.findings) ADD_FAILURE() << f.code << ": " << f.message;
  EXPECT_EQ(report.scripts, static_cast<int>(files.size()));

  // The way to the ending the document gives: the umbrella first, then the café.
  std::string events = "run\nclick qst0\nrun\nclick qst1\nrun\n";
  for (int i = 0; i < 5; ++i) events += "click clickme\nrun\n";
  std::istringstream in(events);
  std::ostringstream out, err;
  EXPECT_EQ(trace::RunTrace({dat.string()}, in, out, err), 0) << err.str();
  const std::string transcript = out.str();
  size_t kasa = transcript.find("\"open kasa.dat\"");
  size_t end = transcript.find("\"open end.dat\"");
  size_t again = transcript.find("\"open opn.dat\"", end == std::string::npos ? 0 : end);
  EXPECT_NE(kasa, std::string::npos);
  EXPECT_NE(end, std::string::npos);
  EXPECT_NE(again, std::string::npos) << "the ending starts a new game";
  EXPECT_EQ(err.str(), "");
}

}  // namespace
