#include "platform/midi/midi_writer.h"

#include <gtest/gtest.h>

#include "platform/midi/standard_midi_file.h"

namespace yomite::platform::midi {
namespace {

TEST(MidiWriter, VariableLengthQuantitiesAsTheFormatWritesThem) {
  const struct {
    uint32_t value;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {0, {0x00}},
      {0x40, {0x40}},
      {0x7F, {0x7F}},
      {0x80, {0x81, 0x00}},
      {0x2000, {0xC0, 0x00}},
      {0x3FFF, {0xFF, 0x7F}},
      {0x4000, {0x81, 0x80, 0x00}},
      {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
      {0x200000, {0x81, 0x80, 0x80, 0x00}},
      {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    AppendVarLen(out, c.value);
    EXPECT_EQ(out, c.bytes) << c.value;
  }
}

TEST(MidiWriter, WritesWhatTheReaderReads) {
  TrackBuilder conductor, melody;
  const uint8_t name[] = {'t', 'u', 'n', 'e'};
  conductor.Meta(0, 0x03, name).Tempo(0, 250000).EndOfTrack(960);
  melody.Event(0, {0x90, 60, 100}).Event(480, {0x80, 60, 0}).EndOfTrack(0);
  std::vector<uint8_t> file = BuildMidiFile(1, 480, {conductor, melody});
  ASSERT_EQ(file.size(), 14u + 8 + conductor.bytes().size() + 8 + melody.bytes().size());
  auto read = ReadStandardMidiFile(file);
  ASSERT_TRUE(std::holds_alternative<MidiSequence>(read)) << std::get<MidiRefusal>(read).message;
  const MidiSequence& seq = std::get<MidiSequence>(read);
  EXPECT_EQ(seq.format, 1);
  EXPECT_EQ(seq.tracks, 2);
  ASSERT_EQ(seq.events.size(), 2u);
  EXPECT_EQ(seq.events[1].time_us, 250000);  // a quarter at 240 beats a minute
  EXPECT_EQ(seq.length_us, 500000);          // the conductor's end, two quarters in
}

}  // namespace
}  // namespace yomite::platform::midi
