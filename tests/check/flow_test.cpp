// The walks read only the lines of a script that can change where they go
// (the checker never holds a script whole): on any script, walking those
// lines must give exactly what walking every line gives, whatever flags
// the walk starts with.
#include "tools/check/flow.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/check/check_support.h"
#include "tests/support/story_builder.h"

using namespace yomite::check;

namespace {

std::string Describe(const Walk& w) {
  std::string s = "leave " + std::to_string(w.leave_line) + "\n";
  auto flags = [](const Knowledge& k) {
    std::string out;
    for (auto [flag, on] : k) out += std::string(1, char(flag)) + (on ? "+" : "-");
    return out;
  };
  for (const Exit& e : w.exits) {
    s += "exit " + std::to_string(int(e.kind)) + " " + std::to_string(e.line) + ":" +
         std::to_string(e.column) + " " + yomite::ToUtf8(e.target) +
         (e.textless ? " textless" : "") + " known " + flags(e.known) + " assumed " +
         flags(e.assumed) + "\n";
  }
  for (const Walk::Wait& wait : w.waits) {
    s += "wait " + std::to_string(wait.line) + " " + flags(wait.known) + "\n";
  }
  return s;
}

TEST(Walk, TheLinesKeptWalkAsEveryLineDoes) {
  const std::vector<std::string> vocabulary = {
      "本文",           "",
      ">on>a",          ">off>a",
      ">on>b",          ">off>b",
      ">bon>a>next>x",  ">boff>a>next>y",
      ">bon>b>next>x",  ">boff>b>next>z",
      ">oimg>p>sw>a",   ">p",
      ">qst",           ">ive>x",
      ">ending",        ">end",
      ">bon>あ>next>x", ">on>",
  };
  std::mt19937 random(20261207);
  const std::vector<Knowledge> entries = {{}, {{'a', true}}, {{'a', false}, {'b', true}}};
  const std::set<int> only_a = {'a'};
  int compared = 0;
  for (int script = 0; script < 500; ++script) {
    std::string description = "# music: none\n# scenes: none\n--- file opn.dat\n";
    std::vector<LineFacts> every;
    int lines = static_cast<int>(random() % 24);
    for (int i = 0; i < lines; ++i) {
      // Mostly flags and text, so that walks often run to the end.
      size_t pick = random() % 3 == 0 ? random() % vocabulary.size() : random() % 6;
      description += vocabulary[pick] + "\n";
      every.push_back(Examine(yomite::FromUtf8(vocabulary[pick]), i + 1));
    }
    auto built =
        yomite::check::testing::BuildCheckedStory(description, "walk-" + std::to_string(script));
    StoryFolder folder(built.dat.string());
    Story story(folder);
    const ScriptInfo& info = story.Info(folder.script_files().at(0));
    ASSERT_EQ(info.lines, lines) << description;
    for (const Knowledge& entry : entries) {
      for (const std::set<int>* can_be_on : {static_cast<const std::set<int>*>(nullptr), &only_a}) {
        Walk kept = WalkScript(info.steps, info.lines, entry, can_be_on);
        Walk all = WalkScript(every, lines, entry, can_be_on);
        ASSERT_EQ(Describe(kept), Describe(all)) << description;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 500 * 6);
}

}  // namespace
