#include "tools/check/music.h"

#include <cstdint>

namespace yomite::check {

namespace {

uint32_t Big32(std::string_view b, size_t at) {
  return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
         (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
}

uint32_t Little32(std::string_view b, size_t at) {
  return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
         (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}

unsigned Big16(std::string_view b, size_t at) {
  return (unsigned(uint8_t(b[at])) << 8) | unsigned(uint8_t(b[at + 1]));
}

std::optional<std::string> SmfProblem(std::string_view b) {
  if (b.size() < 14 || b.substr(0, 4) != "MThd")
    return "it does not begin with a MIDI header (MThd)";
  uint32_t header = Big32(b, 4);
  if (header < 6 || 8 + uint64_t(header) > b.size()) return "its MIDI header has a bad length";
  unsigned format = Big16(b, 8);
  unsigned tracks = Big16(b, 10);
  unsigned division = Big16(b, 12);
  if (format > 2) return "its MIDI format " + std::to_string(format) + " is not 0, 1 or 2";
  if (tracks == 0) return "its MIDI header declares no track";
  if (format == 0 && tracks != 1) return "a format 0 MIDI file must have one track";
  if (division == 0) return "its MIDI header has a time division of 0";
  size_t at = 8 + header;
  unsigned found = 0;
  while (found < tracks) {
    if (at + 8 > b.size()) {
      return "it declares " + std::to_string(tracks) + " tracks but holds " + std::to_string(found);
    }
    uint32_t length = Big32(b, at + 4);
    if (at + 8 + uint64_t(length) > b.size()) return "a chunk runs past the end of the file";
    if (b.substr(at, 4) == "MTrk") {
      ++found;
    } else {
      // Unknown chunks are allowed, but their type is four printable letters.
      for (size_t i = 0; i < 4; ++i) {
        unsigned char c = uint8_t(b[at + i]);
        if (c < 0x20 || c > 0x7E) return "a chunk has no valid type: the track structure is broken";
      }
    }
    at += 8 + length;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> MidiProblem(std::string_view b) {
  if (b.size() >= 12 && b.substr(0, 4) == "RIFF" && b.substr(8, 4) == "RMID") {
    size_t at = 12;
    while (at + 8 <= b.size()) {
      uint32_t length = Little32(b, at + 4);
      if (b.substr(at, 4) == "data") {
        if (at + 8 + uint64_t(length) > b.size()) return "its RIFF data chunk runs past the end";
        return SmfProblem(b.substr(at + 8, length));
      }
      at += 8 + length + (length & 1);
    }
    return "its RIFF file holds no MIDI data";
  }
  return SmfProblem(b);
}

}  // namespace yomite::check
