// Broken stories in tests/check/stories, each with the findings it must give
// and nothing else, written in its header:
//   # expect: FILE[:LINE[:COLUMN]] SEVERITY CODE: part of the message
// A story with no expect line must come out clean. Every story with an error
// also carries the events that play up to it, and playing them must stop at
// that very line with the run-time error the checker named; a story without
// errors must play its events to the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/check/check_support.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite::check;
using namespace yomite::check::testing;

namespace {

const fs::path kStories = YOMITE_CHECK_STORIES;

struct Expect {
  Site where;
  bool has_column = false;
  std::string severity;
  std::string code;
  std::string text;
  std::string source;
};

std::vector<Expect> Expectations(const std::string& description) {
  std::vector<Expect> out;
  std::istringstream in(description);
  for (std::string line; std::getline(in, line) && line.rfind("--- ", 0) != 0;) {
    const std::string tag = "# expect: ";
    if (line.rfind(tag, 0) != 0) continue;
    Expect e;
    e.source = line;
    std::istringstream words(line.substr(tag.size()));
    std::string place;
    words >> place >> e.severity >> e.code;
    if (!e.code.empty() && e.code.back() == ':') e.code.pop_back();
    std::getline(words, e.text);
    e.text.erase(0, e.text.find_first_not_of(' '));
    size_t c1 = place.find(':');
    e.where.file = place.substr(0, c1);
    if (c1 != std::string::npos) {
      size_t c2 = place.find(':', c1 + 1);
      e.where.line = std::stol(place.substr(c1 + 1, c2 - c1 - 1));
      if (c2 != std::string::npos) {
        e.where.column = std::stol(place.substr(c2 + 1));
        e.has_column = true;
      }
    }
    out.push_back(e);
  }
  return out;
}

bool Matches(const Expect& e, const Finding& f) {
  return f.where.file == e.where.file && f.where.line == e.where.line &&
         (!e.has_column || f.where.column == e.where.column) &&
         SeverityName(f.severity) == e.severity && f.code == e.code &&
         f.message.find(e.text) != std::string::npos;
}

std::vector<std::string> StoryNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kStories)) {
    if (entry.path().extension() == ".story") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Describe(const std::vector<Finding>& findings) {
  std::string s;
  for (const Finding& f : findings) s += "  " + FormatFinding(f) + "\n";
  return s;
}

class BrokenStory : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    description_ = yomite::testing::ReadFile(kStories / (GetParam() + ".story"));
    built_ = BuildCheckedStory(description_, "check-" + GetParam());
    report_ = CheckFolder(built_.dat);
  }
  std::string description_;
  Built built_;
  Report report_;
};

TEST_P(BrokenStory, GivesExactlyItsExpectedFindings) {
  std::vector<Expect> expected = Expectations(description_);
  std::vector<bool> used(report_.findings.size(), false);
  for (const Expect& e : expected) {
    bool found = false;
    for (size_t i = 0; i < report_.findings.size() && !found; ++i) {
      if (!used[i] && Matches(e, report_.findings[i])) used[i] = found = true;
    }
    EXPECT_TRUE(found) << "not reported: " << e.source << "\nthe checker said:\n"
                       << Describe(report_.findings);
  }
  for (size_t i = 0; i < report_.findings.size(); ++i) {
    EXPECT_TRUE(used[i]) << "not expected: " << FormatFinding(report_.findings[i]);
  }
  int errors = static_cast<int>(
      std::count_if(report_.findings.begin(), report_.findings.end(),
                    [](const Finding& f) { return f.severity == Severity::kError; }));
  EXPECT_EQ(report_.errors, errors);
}

// Played with its events, a story with an error stops at that line with
// the run-time error the checker named; one without plays to the end.
TEST_P(BrokenStory, PlaysAsTheCheckerSaid) {
  std::vector<const Finding*> errors;
  for (const Finding& f : report_.findings) {
    if (f.severity == Severity::kError) errors.push_back(&f);
  }
  if (errors.empty()) {
    Played played = Play(built_.dat, built_.events);
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_FALSE(played.error.has_value()) << played.err;
    return;
  }
  ASSERT_EQ(errors.size(), 1u) << "an error story holds one error, so that playing it reaches it"
                               << "\n"
                               << Describe(report_.findings);
  const Finding& predicted = *errors[0];
  ASSERT_FALSE(built_.events.empty()) << "the story needs events that reach its error";

  Played played = Play(built_.dat, built_.events);
  EXPECT_EQ(played.status, 1) << "the play did not end with a run-time error\n" << played.err;
  ASSERT_TRUE(played.error.has_value()) << played.err;
  EXPECT_EQ(played.error->number, ExpectedErrorNumber(predicted.code)) << played.err;
  EXPECT_EQ(played.error->number, predicted.error_number) << played.err;

  // The player's place is the script as it named it and the line it ran.
  Site at{played.error->file, played.error->line, 0};
  std::vector<Site> places{predicted.where};
  places.insert(places.end(), predicted.related.begin(), predicted.related.end());
  bool same = std::any_of(places.begin(), places.end(),
                          [&](const Site& s) { return s.file == at.file && s.line == at.line; });
  // Before any script is open (no opn.dat) the player names no place.
  if (predicted.where.line == 0) {
    same = at.line == 0 && (at.file.empty() || at.file == predicted.where.file);
  }
  EXPECT_TRUE(same) << "the player stopped at " << at.file << ":" << at.line
                    << ", the checker said " << FormatFinding(predicted);
}

INSTANTIATE_TEST_SUITE_P(Stories, BrokenStory, ::testing::ValuesIn(StoryNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
