// Reading Standard MIDI Files (formats 0 and 1, also wrapped in a RIFF
// "RMID" file) into one time-ordered list of events with their times in
// microseconds, computed from the file's own tempo map.
//
// The reader checks every chunk length and every event against the data it
// has, so a truncated or corrupt file is refused here instead of reaching
// the synthesizer. The reader needs no audio library: the player and the
// story checker share it, so the checker warns about exactly the files the
// player refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace yomite::platform::midi {

// What a music file may hold at most. A General MIDI piece of some minutes
// holds tens of thousands of events in a few hundred kilobytes; these limits
// are far beyond that, and keep what a hostile file can cost bounded: about
// 100 MB of memory while the events are read, sorted and handed on. Files are
// read whole, and the file layer refuses larger ones before they are held.
inline constexpr size_t kMaxMidiFileBytes = size_t{16} << 20;
inline constexpr size_t kMaxMidiEvents = 1'000'000;
// A piece lasts a few minutes; a day keeps every position, in frames or in
// milliseconds, far inside 64 bits whatever the arithmetic on it.
inline constexpr int64_t kMaxMidiMicroseconds = int64_t{24} * 3600 * 1'000'000;

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

// Every reason the reader refuses a file, one value each, so that whoever
// reports refusals can be tested against all of them.
enum class MidiProblem {
  kNotMidi,              // neither "MThd" nor a RIFF "RMID" file
  kRiffChunkTooLong,     // a RIFF chunk runs past the end of the file
  kRiffNoData,           // a RIFF "RMID" file without its "data" chunk
  kHeaderCutShort,       // the file ends inside the MThd chunk
  kHeaderLength,         // the MThd length is below 6 or past the end
  kFormat,               // format 2 (or above): independent patterns are not played
  kNoTracks,             // the header declares no tracks
  kDivisionZero,         // the header's time division is 0
  kTimeCode,             // a time-code division with an unknown frame rate
  kChunkHeaderCutShort,  // the file ends inside a chunk's type and length
  kChunkTooLong,         // a chunk runs past the end of the file
  kMissingTracks,        // fewer MTrk chunks than the header declares
  kNumberTooLong,        // a variable-length number of five bytes or more
  kCutInEvent,           // a track ends inside an event or its delta time
  kMetaTooLong,          // a meta event's length runs past its track
  kTempoSize,            // a tempo event that does not hold 3 bytes
  kTempoZero,            // a tempo of 0 microseconds a quarter note
  kSysexTooLong,         // a system exclusive event's length runs past its track
  kSystemMessage,        // a system common or real-time byte (F1 to FE but FF)
  kNoStatus,             // data bytes with no status byte to run on
  kStatusAsData,         // a status byte where a channel message's data belongs
  kTooLong,              // a piece lasting longer than kMaxMidiMicroseconds
  kTooManyEvents,        // more events than kMaxMidiEvents (or the limit given)
  kCount                 // not a problem: the number of problems
};

struct MidiRefusal {
  MidiProblem problem = MidiProblem::kNotMidi;
  // In English, to follow the file's name in the one line that tells the
  // user why the music is silent, e.g. "is of format 2, which is not played".
  std::string message;
};

struct MidiLimits {
  // Events of every kind, the end of track markers included.
  size_t max_events = kMaxMidiEvents;
};

// The sequence, or why the bytes are not a playable file. Tests and fuzzers
// pass smaller limits.
std::variant<MidiSequence, MidiRefusal> ReadStandardMidiFile(std::span<const uint8_t> bytes,
                                                             MidiLimits limits = {});

// True when the bytes start like a MIDI file ("MThd", or "RIFF" with "RMID").
bool LooksLikeMidiFile(std::span<const uint8_t> bytes);

}  // namespace yomite::platform::midi
