// Builds small Standard MIDI Files byte by byte for the tests, and the
// piece the playback tests and the benchmark listen for.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace yomite::mci_testing {

class TrackBuilder {
 public:
  // An event delta ticks after the previous one; bytes are written as given
  // (so running status and broken events can be written too).
  TrackBuilder& Event(uint32_t delta, std::initializer_list<uint8_t> bytes);
  TrackBuilder& Tempo(uint32_t delta, uint32_t us_per_quarter);
  TrackBuilder& EndOfTrack(uint32_t delta);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void Delta(uint32_t delta);
  std::vector<uint8_t> bytes_;
};

void AppendVarLen(std::vector<uint8_t>& out, uint32_t value);

std::vector<uint8_t> BuildMidiFile(uint16_t format, uint16_t division,
                                   const std::vector<TrackBuilder>& tracks);

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A file of one track: count note events delta ticks apart (notes on and
// off in turn across the keys, in running status), then the end of the
// track, count + 1 events in all, at 480 ticks a quarter.
std::vector<uint8_t> NoteFlood(size_t count, uint32_t delta);

// The piece the playback tests listen for: a square-wave lead (it starts
// and stops sharply) playing two short notes, at 80 beats a minute set by a
// tempo event, then a rest up to the end of track. Without the tempo event
// it would last 1.0 s instead of 1.5 s.
struct TestPiece {
  static constexpr double kLengthSeconds = 1.5;
  static constexpr double kSecondNoteSeconds = 0.75;
  static std::vector<uint8_t> Bytes();
};

// The first frame at or after from where the sound starts: the start of a
// window of window frames whose RMS rises above on_level after a window at
// or below off_level. Returns -1 when there is none.
long FindOnset(const std::vector<float>& mono, long from, int window, float off_level,
               float on_level);

// RMS of mono[from, from + count).
float Rms(const std::vector<float>& mono, long from, long count);

}  // namespace yomite::mci_testing
