#include "platform/midi/midi_writer.h"

namespace yomite::platform::midi {

namespace {

void Be32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

void AppendVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(groups[--n] | 0x80);
  out.push_back(groups[0]);
}

TrackBuilder& TrackBuilder::Event(uint32_t delta, std::span<const uint8_t> bytes) {
  AppendVarLen(bytes_, delta);
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

TrackBuilder& TrackBuilder::Meta(uint32_t delta, uint8_t type, std::span<const uint8_t> data) {
  AppendVarLen(bytes_, delta);
  bytes_.insert(bytes_.end(), {0xFF, type});
  AppendVarLen(bytes_, static_cast<uint32_t>(data.size()));
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

TrackBuilder& TrackBuilder::Tempo(uint32_t delta, uint32_t us) {
  const uint8_t data[] = {static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
                          static_cast<uint8_t>(us)};
  return Meta(delta, 0x51, data);
}

TrackBuilder& TrackBuilder::EndOfTrack(uint32_t delta) { return Meta(delta, 0x2F, {}); }

std::vector<uint8_t> BuildMidiFile(uint16_t format, uint16_t division,
                                   const std::vector<TrackBuilder>& tracks) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
  Be32(out, 6);
  for (uint16_t v : {format, static_cast<uint16_t>(tracks.size()), division}) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
  }
  for (const TrackBuilder& t : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    Be32(out, static_cast<uint32_t>(t.bytes().size()));
    out.insert(out.end(), t.bytes().begin(), t.bytes().end());
  }
  return out;
}

}  // namespace yomite::platform::midi
