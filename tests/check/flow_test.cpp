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
using namespace yomite::check::testing;

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
    std::vector<Step> every;
    int lines = static_cast<int>(random() % 24);
    for (int i = 0; i < lines; ++i) {
      // Mostly flags and text, so that walks often run to the end.
      size_t pick = random() % 3 == 0 ? random() % vocabulary.size() : random() % 6;
      description += vocabulary[pick] + "\n";
      every.emplace_back(Examine(yomite::FromUtf8(vocabulary[pick]), i + 1));
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

std::string Repeat(const std::string& line, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += line + "\n";
  return out;
}

// A 1000 x 1000 baseline picture is 4 million pixels of decoding work as
// the player counts it (three passes and one scan): 251 of them overdraw
// the action's billion, 200 do not.
constexpr const char* kPictures =
    "--- file big.jpg jpeg 1000x1000\n--- file 3.jpg jpeg 8x8\n--- file x.dat\nエックス\n";

struct ChainCase {
  const char* name;
  std::string scripts;
  std::string expect;  // the over-budget findings, "file:line (what)" each, in order
  // What playing it from its start gives (the events reach the chain).
  enum class Player { kNotPlayed, kPlaysOn, kEnds28 } player = Player::kNotPlayed;
  const char* events = "run\n";
};

std::string OverBudget(const Report& report) {
  std::string out;
  for (const Finding& f : report.findings) {
    if (f.code != code::kOverBudget) continue;
    out += f.where.file + ":" + std::to_string(f.where.line);
    for (const char* part : {"lines executed", "scripts opened", "characters read", "pixels"}) {
      if (f.message.find(part) != std::string::npos) out += std::string(" (") + part + ")";
    }
    if (f.message.find("through 2 scripts") != std::string::npos) out += " via 2";
    out += ";";
    EXPECT_EQ(f.error_number, 28);
    EXPECT_EQ(f.severity, Severity::kError);
  }
  return out;
}

TEST(Budget, ChainsThatOverdrawAnActionAreErrorsWhereTheyStart) {
  const std::string img = ">img>big";
  const ChainCase cases[] = {
      {"from the first line", "--- file opn.dat\n" + Repeat(img, 260) + "はじめ\n",
       "opn.dat:1 (pixels);", ChainCase::Player::kEnds28},
      {"after a line of text", "--- file opn.dat\nはじめ\n" + Repeat(img, 260) + "つづき\n",
       "opn.dat:2 (pixels);", ChainCase::Player::kEnds28, "run\nclick clickme\nrun\n"},
      {"under the budget", "--- file opn.dat\n" + Repeat(img, 200) + "はじめ\n", ""},
      {"across a jump: at the start only",
       "--- file opn.dat\n" + Repeat(img, 130) + ">ive>b\n--- file b.dat\n" + Repeat(img, 130) +
           "ビー\n",
       "opn.dat:1 (pixels) via 2;", ChainCase::Player::kEnds28},
      {"into a chain that overdraws alone: there only",
       "--- file opn.dat\nはじめ\n>ive>b\n--- file b.dat\n" + Repeat(img, 260) + "ビー\n",
       "b.dat:1 (pixels);"},
      {"a branch the script decides never to take",
       "--- file opn.dat\n>on>a\n" + Repeat(img, 130) + ">boff>a>next>x\n" + Repeat(img, 130) +
           "はじめ\n",
       "opn.dat:1 (pixels);", ChainCase::Player::kEnds28},
      {"a branch the script decides to take",
       "--- file opn.dat\n>off>a\n" + Repeat(img, 130) + ">boff>a>next>b\n" + "--- file b.dat\n" +
           Repeat(img, 130) + "ビー\n",
       "opn.dat:1 (pixels) via 2;", ChainCase::Player::kEnds28},
      {"a branch on a flag not known stops the count",
       "--- file opn.dat\n" + Repeat(img, 130) + ">bon>a>next>x\n" + Repeat(img, 130) + "はじめ\n",
       ""},
      {"a conditional picture the script decides",
       "--- file opn.dat\n>on>a\n" + Repeat(">oimg>big>sw>a", 260) + "はじめ\n",
       "opn.dat:1 (pixels);", ChainCase::Player::kEnds28},
      {"a conditional picture not known",
       "--- file opn.dat\n" + Repeat(">oimg>big>sw>a", 260) + "はじめ\n", ""},
      {"a missing picture ends the program first",
       "--- file opn.dat\n" + Repeat(img, 10) + ">img>nothere\n" + Repeat(img, 260) + "はじめ\n",
       ""},
      {"a cycle of jumps is left to its own finding",
       "--- file opn.dat\n" + Repeat(img, 260) + ">ive>opn\n", ""},
      {"a line of text between the pictures",
       "--- file opn.dat\n" + Repeat(img, 130) + "はじめ\n" + Repeat(img, 130) + "つづき\n", ""},
      {"the menu ends the chain",
       "--- file opn.dat\n" + Repeat(img, 130) + ">qst\n" + Repeat(img, 130) + "はじめ\n", ""},
      // Counted as the player counts them: the step that opens the script, one
      // per line, and the one that shows the text.
      {"lines without text, as many as an action may run",
       "--- file opn.dat\n" + Repeat("", 3'999'998) + "はじめ\n", "", ChainCase::Player::kPlaysOn},
      {"lines without text, one more", "--- file opn.dat\n" + Repeat("", 3'999'999) + "はじめ\n",
       "opn.dat:1 (lines executed);", ChainCase::Player::kEnds28},
      {"characters read",
       "--- file opn.dat\n" + Repeat(">p" + std::string(13'000'000, 'x'), 5) + "はじめ\n",
       "opn.dat:1 (characters read);", ChainCase::Player::kEnds28},
  };
  int n = 0;
  for (const ChainCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto built = BuildCheckedStory(
        std::string("# music: none\n") + kPictures + c.scripts + "--- events\n" + c.events,
        "budget-" + std::to_string(n++));
    EXPECT_EQ(OverBudget(CheckFolder(built.dat)), c.expect);
    if (c.player == ChainCase::Player::kNotPlayed) continue;
    // The player agrees: the action that starts there ends with error 28,
    // or plays on.
    Played played = Play(built.dat, built.events);
    if (c.player == ChainCase::Player::kPlaysOn) {
      EXPECT_FALSE(played.error.has_value()) << played.err;
    } else {
      ASSERT_TRUE(played.error.has_value()) << played.err;
      EXPECT_EQ(played.error->number, 28) << played.error->message;
    }
  }
}

}  // namespace
