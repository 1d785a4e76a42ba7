// The music check: the checker reads bgm.mid with the player's own MIDI
// reader, so every file the player refuses (and plays in silence) is a
// warning that says why, and every file it plays passes.
#include <gtest/gtest.h>

#include "platform/midi/standard_midi_file.h"
#include "tests/check/check_support.h"
#include "tests/midi/refusal_cases.h"
#include "tests/support/story_builder.h"

using namespace yomite::check;
using yomite::check::testing::BuildCheckedStory;
using yomite::check::testing::CheckFolder;
namespace midi = yomite::platform::midi;

namespace {

// The findings about bgm.mid when the story's music holds these bytes.
std::vector<Finding> MusicFindings(const std::string& bytes, const std::string& folder) {
  auto built = BuildCheckedStory("# music: none\n--- file opn.dat\n一行目\n", folder);
  yomite::testing::WriteFile(built.dat / "bgm.mid", bytes);
  std::vector<Finding> found;
  for (const Finding& f : CheckFolder(built.dat).findings) {
    if (f.where.file == "bgm.mid") found.push_back(f);
  }
  return found;
}

TEST(Music, EveryFileThePlayerRefusesIsAWarningThatSaysWhy) {
  std::vector<int> warned(static_cast<size_t>(midi::MidiProblem::kCount), 0);
  int n = 0;
  for (const auto& c : yomite::midi_testing::RefusalCases()) {
    SCOPED_TRACE(c.what);
    auto read = midi::ReadStandardMidiFile(c.bytes);
    const auto* why = std::get_if<midi::MidiRefusal>(&read);
    ASSERT_NE(why, nullptr) << "the player would play this file";
    std::vector<Finding> found = MusicFindings(std::string(c.bytes.begin(), c.bytes.end()),
                                               "music_refused_" + std::to_string(n++));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].severity, Severity::kWarning);
    EXPECT_EQ(found[0].code, code::kBadMusic);
    EXPECT_NE(found[0].message.find(why->message), std::string::npos) << found[0].message;
    EXPECT_NE(found[0].message.find("silence"), std::string::npos) << found[0].message;
    ++warned[static_cast<size_t>(why->problem)];
  }
  // A refusal added to the reader without a case here fails this test.
  for (size_t p = 0; p < warned.size(); ++p) {
    EXPECT_GT(warned[p], 0) << "no warning was seen for the reader's problem " << p;
  }
}

TEST(Music, FilesThePlayerPlaysPass) {
  std::string smf = yomite::check::testing::MidiBytes();
  // Format 0 with two tracks, and a chunk of unknown type with an odd name:
  // the player plays both, so the checker says nothing.
  std::string two_tracks = smf;
  two_tracks[11] = 2;
  two_tracks += smf.substr(14);
  std::string odd_chunk =
      smf.substr(0, 14) + std::string("\1\2\3\4\0\0\0\2ab", 10) + smf.substr(14);
  std::string riff = "RIFF" + std::string{char(smf.size() + 12), 0, 0, 0} + "RMID" + "data" +
                     std::string{char(smf.size()), 0, 0, 0} + smf;
  int n = 0;
  for (const std::string& bytes : {smf, two_tracks, odd_chunk, riff}) {
    ASSERT_TRUE(std::holds_alternative<midi::MidiSequence>(midi::ReadStandardMidiFile(
        std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))));
    std::vector<Finding> found = MusicFindings(bytes, "music_played_" + std::to_string(n++));
    EXPECT_TRUE(found.empty()) << found[0].message;
  }
}

}  // namespace
