#include "platform/midi/standard_midi_file.h"

#include <gtest/gtest.h>

#include "tests/mci/midi_builder.h"
#include "tests/midi/refusal_cases.h"

namespace yomite::platform::midi {
namespace {

using mci_testing::BuildMidiFile;
using mci_testing::TrackBuilder;

MidiSequence Read(const std::vector<uint8_t>& bytes) {
  auto result = ReadStandardMidiFile(bytes);
  if (auto* why = std::get_if<MidiRefusal>(&result)) {
    ADD_FAILURE() << "refused: " << why->message;
    return {};
  }
  return std::get<MidiSequence>(result);
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
  auto result = ReadStandardMidiFile(bytes);
  auto* why = std::get_if<MidiRefusal>(&result);
  return why ? why->message : std::string();
}

TEST(StandardMidiFile, TempoChangesApplyFromTheirTick) {
  TrackBuilder t;
  t.Event(0, {0x90, 60, 100})     // 0 s
      .Event(480, {0x80, 60, 0})  // one quarter at the default 120 bpm: 0.5 s
      .Tempo(480, 1000000)        // at 1.0 s the quarter becomes 1 s long
      .Event(0, {0x90, 62, 100})  // 1.0 s
      .Event(960, {0x80, 62, 0})  // two quarters later: 3.0 s
      .EndOfTrack(480);           // 4.0 s
  MidiSequence seq = Read(BuildMidiFile(0, 480, {t}));
  ASSERT_EQ(seq.events.size(), 4u);
  EXPECT_EQ(seq.events[0].time_us, 0);
  EXPECT_EQ(seq.events[1].time_us, 500000);
  EXPECT_EQ(seq.events[2].time_us, 1000000);
  EXPECT_EQ(seq.events[3].time_us, 3000000);
  EXPECT_EQ(seq.length_us, 4000000);
  EXPECT_EQ(seq.format, 0);
  EXPECT_EQ(seq.tracks, 1);
}

TEST(StandardMidiFile, TheLengthIsTheLastEventOfAnyTrackIncludingARestBeforeTheEnd) {
  TrackBuilder conductor;
  conductor.Tempo(0, 250000).EndOfTrack(96);  // 96 ticks at 96 a quarter: 0.25 s
  TrackBuilder melody;
  melody.Event(0, {0x90, 64, 90}).Event(192, {0x80, 64, 0}).EndOfTrack(384);  // ends at 1.5 s
  MidiSequence seq = Read(BuildMidiFile(1, 96, {conductor, melody}));
  EXPECT_EQ(seq.events.back().time_us, 500000);
  EXPECT_EQ(seq.length_us, 1500000);

  // A text event after the last note counts too.
  TrackBuilder text;
  text.Event(0, {0x90, 64, 90}).Event(96, {0x80, 64, 0}).Event(96, {0xFF, 0x01, 0x02, 'h', 'i'});
  EXPECT_EQ(Read(BuildMidiFile(0, 96, {text})).length_us, 1000000);
}

TEST(StandardMidiFile, TracksMergeInTimeOrderWithTheEarlierTrackFirstOnTies) {
  TrackBuilder a, b;
  a.Event(0, {0xC0, 5}).Event(100, {0x90, 60, 1}).EndOfTrack(0);
  b.Event(50, {0xC1, 7}).Event(50, {0x91, 61, 1}).EndOfTrack(0);
  MidiSequence seq = Read(BuildMidiFile(1, 100, {a, b}));
  ASSERT_EQ(seq.events.size(), 4u);
  EXPECT_EQ(seq.events[0].status, 0xC0);
  EXPECT_EQ(seq.events[1].status, 0xC1);
  EXPECT_EQ(seq.events[2].status, 0x90);  // tick 100 in both tracks: track 0 first
  EXPECT_EQ(seq.events[3].status, 0x91);
  EXPECT_EQ(seq.events[2].time_us, seq.events[3].time_us);
}

TEST(StandardMidiFile, RunningStatusSysexAndDataBytes) {
  TrackBuilder t;
  t.Event(0, {0x92, 60, 100})
      .Event(10, {62, 101})  // running status
      .Event(10, {62, 0})
      .Event(0, {0xE2, 0x00, 0x40})
      .Event(0, {0xD2, 33})
      .Event(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})  // GM system on
      .Event(0, {0xF7, 0x01, 0x42})                          // an escape: not sent
      .EndOfTrack(0);
  MidiSequence seq = Read(BuildMidiFile(0, 10, {t}));
  ASSERT_EQ(seq.events.size(), 6u);
  EXPECT_EQ(seq.events[1].status, 0x92);
  EXPECT_EQ(seq.events[1].data1, 62);
  EXPECT_EQ(seq.events[1].data2, 101);
  EXPECT_EQ(seq.events[2].data2, 0);
  EXPECT_EQ(seq.events[3].data2, 0x40);
  EXPECT_EQ(seq.events[4].data1, 33);
  const MidiEvent& sysex = seq.events[5];
  EXPECT_EQ(sysex.status, 0xF0);
  ASSERT_EQ(sysex.sysex_length, 4u);
  EXPECT_EQ(std::vector<uint8_t>(seq.sysex_data.begin() + sysex.sysex_offset,
                                 seq.sysex_data.begin() + sysex.sysex_offset + 4),
            (std::vector<uint8_t>{0x7E, 0x7F, 0x09, 0x01}));
}

TEST(StandardMidiFile, TimeCodeDivisionIgnoresTempo) {
  TrackBuilder t;
  t.Tempo(0, 1000000).Event(1000, {0x90, 60, 1}).EndOfTrack(500);
  // 25 frames a second, 40 ticks a frame: 1000 ticks a second.
  uint16_t division = static_cast<uint16_t>((static_cast<uint8_t>(-25) << 8) | 40);
  MidiSequence seq = Read(BuildMidiFile(0, division, {t}));
  EXPECT_EQ(seq.events[0].time_us, 1000000);
  EXPECT_EQ(seq.length_us, 1500000);
}

TEST(StandardMidiFile, SkipsForeignChunksAndReadsRiffMidiFiles) {
  TrackBuilder t;
  t.Event(0, {0x90, 60, 1}).EndOfTrack(480);
  std::vector<uint8_t> smf = BuildMidiFile(0, 480, {t});
  std::vector<uint8_t> with_foreign(smf.begin(), smf.begin() + 14);
  with_foreign.insert(with_foreign.end(), {'X', 'y', 'z', 'w', 0, 0, 0, 2, 0xAA, 0xBB});
  with_foreign.insert(with_foreign.end(), smf.begin() + 14, smf.end());
  EXPECT_EQ(Read(with_foreign).length_us, 500000);

  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0,   0,   0,   0,
                               'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
  uint32_t n = static_cast<uint32_t>(smf.size());
  riff.insert(riff.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)});
  riff.insert(riff.end(), smf.begin(), smf.end());
  uint32_t riff_length = static_cast<uint32_t>(riff.size() - 8);
  for (int i = 0; i < 4; ++i) riff[4 + i] = static_cast<uint8_t>(riff_length >> (8 * i));
  EXPECT_TRUE(LooksLikeMidiFile(riff));
  EXPECT_EQ(Read(riff).length_us, 500000);
}

TEST(StandardMidiFile, EveryTruncationIsRefused) {
  std::vector<uint8_t> whole = mci_testing::TestPiece::Bytes();
  ASSERT_EQ(Refusal(whole), "");
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
    EXPECT_NE(Refusal(part), "") << "a file cut to " << cut << " bytes was accepted";
  }
}

using midi_testing::WithTrack;

TEST(StandardMidiFile, RefusesEveryBrokenFileWithItsReason) {
  std::vector<int> cases_per_problem(static_cast<size_t>(MidiProblem::kCount), 0);
  for (const midi_testing::RefusalCase& c : midi_testing::RefusalCases()) {
    SCOPED_TRACE(c.what);
    auto result = ReadStandardMidiFile(c.bytes);
    const auto* why = std::get_if<MidiRefusal>(&result);
    ASSERT_NE(why, nullptr) << "accepted";
    EXPECT_EQ(why->problem, c.problem) << why->message;
    EXPECT_FALSE(why->message.empty());
    EXPECT_FALSE(LooksLikeMidiFile(c.bytes) && c.problem == MidiProblem::kNotMidi);
    ++cases_per_problem[static_cast<size_t>(why->problem)];
  }
  for (size_t p = 0; p < cases_per_problem.size(); ++p) {
    EXPECT_GT(cases_per_problem[p], 0) << "no file is refused for problem " << p;
  }
}

TEST(StandardMidiFile, TrackWithoutEndMarkerAndBytesAfterIt) {
  // Lenient where nothing is lost: a track that simply stops, and bytes
  // after the end marker, which are not part of the track.
  MidiSequence no_end = Read(WithTrack({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00}));
  EXPECT_EQ(no_end.events.size(), 2u);
  EXPECT_EQ(no_end.length_us, 500000);
  MidiSequence after_end = Read(WithTrack({0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3C}));
  EXPECT_TRUE(after_end.events.empty());
  EXPECT_EQ(after_end.length_us, 0);
}

TEST(StandardMidiFile, EventsUpToTheLimitAreReadOneMoreIsRefused) {
  // The end of the track counts as an event too.
  MidiSequence seq = Read(mci_testing::NoteFlood(kMaxMidiEvents - 1, 0));
  EXPECT_EQ(seq.events.size(), kMaxMidiEvents - 1);
  EXPECT_EQ(Refusal(mci_testing::NoteFlood(kMaxMidiEvents, 0)),
            "holds more than " + std::to_string(kMaxMidiEvents) + " events");
}

TEST(StandardMidiFile, TheEventLimitCountsAllTracksTogether) {
  TrackBuilder half, end;
  half.Event(0, {0x90, 60, 100});
  for (size_t i = 1; i < kMaxMidiEvents / 2; ++i) half.Event(1, {60, static_cast<uint8_t>(i % 2)});
  half.EndOfTrack(0);
  end.EndOfTrack(0);
  EXPECT_EQ(Refusal(BuildMidiFile(1, 480, {half, half, end})),
            "holds more than " + std::to_string(kMaxMidiEvents) + " events");
  EXPECT_EQ(Read(BuildMidiFile(1, 480, {half, end})).events.size(), kMaxMidiEvents / 2);
}

TEST(StandardMidiFile, AFileAsLargeAsTheFilesAllowIsRead) {
  // The file layer refuses larger files before they are held. A valid file
  // padded with a chunk of another kind, which readers skip.
  TrackBuilder t;
  t.Event(0, {0x90, 60, 100}).Event(480, {0x80, 60, 0}).EndOfTrack(0);
  std::vector<uint8_t> bytes = BuildMidiFile(0, 480, {t});
  const size_t padding = kMaxMidiFileBytes - bytes.size() - 8;
  bytes.insert(bytes.end(), {'X', 'p', 'a', 'd', static_cast<uint8_t>(padding >> 24),
                             static_cast<uint8_t>(padding >> 16),
                             static_cast<uint8_t>(padding >> 8), static_cast<uint8_t>(padding)});
  bytes.resize(kMaxMidiFileBytes);
  EXPECT_EQ(Read(bytes).events.size(), 2u);
}

}  // namespace
}  // namespace yomite::platform::midi
