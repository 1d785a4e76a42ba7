// Golden transcripts: every story in tests/stories is played by the
// transcript runner and its output compared line by line with the .jsonl
// beside it. UPDATE_GOLDEN=1 rewrites the expected files; a mismatch leaves
// the actual output beside the build for a diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/story_builder.h"
#include "tools/trace/trace_runner.h"

namespace fs = std::filesystem;
using namespace yomite::testing;

namespace {

const fs::path kStories = YOMITE_TEST_STORIES;

std::vector<std::string> StoryNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kStories)) {
    if (entry.path().extension() == ".story") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Options from header comments: "# args: ..." and "# exit: N".
void ReadHeader(const std::string& description, std::vector<std::string>& args, int& exit_code) {
  std::istringstream in(description);
  for (std::string line; std::getline(in, line) && line.rfind("--- ", 0) != 0;) {
    if (line.rfind("# args:", 0) == 0) {
      std::istringstream words(line.substr(7));
      for (std::string w; words >> w;) args.push_back(w);
    } else if (line.rfind("# exit:", 0) == 0) {
      exit_code = std::stoi(line.substr(7));
    }
  }
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, TranscriptMatches) {
  const std::string name = GetParam();
  const std::string description = ReadFile(kStories / (name + ".story"));
  fs::path dat = FreshFolder("golden-" + name) / "dat";
  Story story = BuildStory(description, dat);

  std::vector<std::string> args;
  int expected_exit = 0;
  ReadHeader(description, args, expected_exit);
  args.push_back(dat.string());
  std::istringstream events(story.events);
  std::ostringstream out, err;
  int status = yomite::trace::RunTrace(args, events, out, err);
  std::string actual = Replace(out.str(), dat.string(), "DAT");

  fs::path golden = kStories / (name + ".jsonl");
  if (std::getenv("UPDATE_GOLDEN")) WriteFile(golden, actual);
  ASSERT_TRUE(fs::exists(golden)) << "no golden transcript " << golden;
  std::string expected = ReadFile(golden);

  EXPECT_EQ(status, expected_exit) << err.str();
  if (actual != expected) {
    fs::path saved = fs::current_path() / (name + ".actual.jsonl");
    WriteFile(saved, actual);
    std::istringstream a(actual), e(expected);
    std::string la, le;
    int line = 0;
    while (true) {
      bool more_a = static_cast<bool>(std::getline(a, la));
      bool more_e = static_cast<bool>(std::getline(e, le));
      ++line;
      if (!more_a && !more_e) break;
      if (la != le || more_a != more_e) {
        ADD_FAILURE() << name << " differs at line " << line << "\nexpected: " << le
                      << "\nactual:   " << la << "\n(actual output saved to " << saved << ")";
        break;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Stories, Golden, ::testing::ValuesIn(StoryNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
