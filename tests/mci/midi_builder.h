// The piece the playback tests and the benchmark listen for, written with
// the shared MIDI writer, and what they measure it with.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/midi/midi_writer.h"

namespace yomite::mci_testing {

using platform::midi::AppendVarLen;
using platform::midi::BuildMidiFile;
using platform::midi::TrackBuilder;

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

// A C major chord on strings held for ten seconds (120 beats a minute),
// so that whatever closes the music comes while it sounds.
std::vector<uint8_t> HeldChord();

// The first frame at or after from where the sound starts: the start of a
// window of window frames whose RMS rises above on_level after a window at
// or below off_level. Returns -1 when there is none.
long FindOnset(const std::vector<float>& mono, long from, int window, float off_level,
               float on_level);

// RMS of mono[from, from + count).
float Rms(const std::vector<float>& mono, long from, long count);

}  // namespace yomite::mci_testing
