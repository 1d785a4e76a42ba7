// Reading Standard MIDI Files (formats 0 and 1, also wrapped in a RIFF
// "RMID" file) into one time-ordered list of events with their times in
// microseconds, computed from the file's own tempo map.
//
// The reader checks every chunk length and every event against the data it
// has, so a truncated or corrupt file is refused here instead of reaching
// the synthesizer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace yomite::platform::mci {

// What the reader takes at most. A General MIDI piece of some minutes holds
// tens of thousands of events in a few hundred kilobytes; these limits are
// far beyond that, and keep what a hostile file can cost bounded: about
// 100 MB of memory while the events are read, sorted and handed on.
inline constexpr size_t kMaxMidiFileBytes = size_t{16} << 20;
inline constexpr size_t kMaxMidiEvents = 1'000'000;

struct MidiEvent {
  int64_t time_us = 0;
  // A channel message (0x80-0xEF with its data bytes), or 0xF0 for a
  // system exclusive message whose bytes, without the leading F0 and the
  // closing F7, are sysex_data[sysex_offset, sysex_offset + sysex_length).
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  uint32_t sysex_offset = 0;
  uint32_t sysex_length = 0;
};

struct MidiSequence {
  std::vector<MidiEvent> events;  // in playing order
  std::vector<uint8_t> sysex_data;
  // The time of the last event of any track, the end of track markers
  // included: a piece that ends in a rest keeps that rest.
  int64_t length_us = 0;
  int format = 0;
  int tracks = 0;
};

// The sequence, or a reason (in English, for the one line that tells the
// user why the music is silent) why the bytes are not a playable file.
struct MidiLimits {
  size_t max_bytes = kMaxMidiFileBytes;
  // Events of every kind, the end of track markers included.
  size_t max_events = kMaxMidiEvents;
};

// Files over the limits are refused. Tests and fuzzers pass smaller ones.
std::variant<MidiSequence, std::string> ReadStandardMidiFile(std::span<const uint8_t> bytes,
                                                             MidiLimits limits = {});

// True when the bytes start like a MIDI file ("MThd", or "RIFF" with "RMID").
bool LooksLikeMidiFile(std::span<const uint8_t> bytes);

}  // namespace yomite::platform::mci
