// Writing Standard MIDI Files: the demo story's music generator and the
// tests build their files with it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace yomite::platform::midi {

// A variable-length quantity: seven bits a byte, the high bit set on every
// byte but the last.
void AppendVarLen(std::vector<uint8_t>& out, uint32_t value);

// The body of an MTrk chunk, an event at a time.
class TrackBuilder {
 public:
  // An event delta ticks after the previous one; bytes are written as given
  // (so running status and broken events can be written too).
  TrackBuilder& Event(uint32_t delta, std::span<const uint8_t> bytes);
  TrackBuilder& Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
    return Event(delta, std::span<const uint8_t>(bytes.begin(), bytes.size()));
  }
  TrackBuilder& Meta(uint32_t delta, uint8_t type, std::span<const uint8_t> data);
  TrackBuilder& Tempo(uint32_t delta, uint32_t us_per_quarter);
  TrackBuilder& EndOfTrack(uint32_t delta);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// The header chunk and one MTrk chunk for each track.
std::vector<uint8_t> BuildMidiFile(uint16_t format, uint16_t division,
                                   const std::vector<TrackBuilder>& tracks);

}  // namespace yomite::platform::midi
