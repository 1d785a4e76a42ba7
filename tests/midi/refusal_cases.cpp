#include "tests/midi/refusal_cases.h"

namespace yomite::midi_testing {

using platform::midi::MidiProblem;

namespace {

void Be32(std::vector<uint8_t>& out, uint32_t n) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(n >> shift));
}

// A tempo of 16.7 s a quarter note and one tick a quarter, then text events
// 2^28 - 1 ticks apart: after some 2,100 of them the piece has lasted more
// than 2^63 microseconds.
std::vector<uint8_t> EndlessPiece() {
  std::vector<uint8_t> track = {0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF};
  for (int i = 0; i < 2200; ++i)
    track.insert(track.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  return WithTrack(track, 0, 1, 1);
}

std::vector<uint8_t> Riff(std::vector<uint8_t> body) {
  std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D'};
  out.insert(out.end(), body.begin(), body.end());
  uint32_t n = static_cast<uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(n >> (8 * i));
  return out;
}

}  // namespace

std::vector<uint8_t> WithTrack(std::vector<uint8_t> track_bytes, uint16_t format, uint16_t tracks,
                               uint16_t division) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  for (uint16_t v : {format, tracks, division}) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
  }
  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  Be32(out, static_cast<uint32_t>(track_bytes.size()));
  out.insert(out.end(), track_bytes.begin(), track_bytes.end());
  return out;
}

// One text event more than the reader takes, each of no length at time 0.
std::vector<uint8_t> EventFlood() {
  std::vector<uint8_t> track;
  track.reserve(4 * (platform::midi::kMaxMidiEvents + 1));
  for (size_t i = 0; i <= platform::midi::kMaxMidiEvents; ++i)
    track.insert(track.end(), {0x00, 0xFF, 0x01, 0x00});
  return WithTrack(track);
}

std::vector<RefusalCase> RefusalCases() {
  const std::vector<uint8_t> end = {0x00, 0xFF, 0x2F, 0x00};
  return {
      {MidiProblem::kTooManyEvents, "a million events and one", EventFlood()},
      {MidiProblem::kNotMidi, "empty", {}},
      {MidiProblem::kNotMidi,
       "text",
       {'h', 'e', 'l', 'l', 'o', ' ', 'm', 'u', 's', 'i', 'c', '\n', 0, 0}},
      {MidiProblem::kNotMidi, "RIFF WAVE", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}},
      {MidiProblem::kRiffChunkTooLong, "RIFF chunk past the end",
       Riff({'d', 'a', 't', 'a', 99, 0, 0, 0})},
      {MidiProblem::kRiffNoData, "RIFF without data", Riff({})},
      {MidiProblem::kHeaderCutShort, "header cut short", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}},
      {MidiProblem::kHeaderLength,
       "header length below 6",
       {'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1, 0, 96}},
      {MidiProblem::kHeaderLength,
       "header length past the end",
       {'M', 'T', 'h', 'd', 0, 0, 1, 0, 0, 0, 0, 1, 0, 96}},
      {MidiProblem::kFormat, "format 2", WithTrack(end, 2)},
      {MidiProblem::kNoTracks, "no tracks", WithTrack(end, 0, 0)},
      {MidiProblem::kDivisionZero, "division zero", WithTrack(end, 0, 1, 0)},
      {MidiProblem::kTimeCode, "unknown time code", WithTrack(end, 0, 1, 0xE428)},
      {MidiProblem::kChunkHeaderCutShort, "chunk header cut short",
       [&] {
         std::vector<uint8_t> b = WithTrack(end, 1, 2);
         b.insert(b.end(), {'M', 'T', 'r'});
         return b;
       }()},
      {MidiProblem::kChunkTooLong, "track longer than the file",
       [&] {
         std::vector<uint8_t> b = WithTrack(end);
         b[21] = 9;
         return b;
       }()},
      {MidiProblem::kMissingTracks, "fewer tracks than declared", WithTrack(end, 1, 2)},
      {MidiProblem::kNumberTooLong, "five-byte delta",
       WithTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0xFF, 0x2F, 0x00})},
      {MidiProblem::kNumberTooLong, "five-byte meta length",
       WithTrack({0x00, 0xFF, 0x01, 0x81, 0x81, 0x81, 0x81, 0x01})},
      {MidiProblem::kCutInEvent, "event cut at the chunk end", WithTrack({0x00, 0x90, 0x3C})},
      {MidiProblem::kCutInEvent, "delta cut at the chunk end",
       WithTrack({0x00, 0x90, 0x3C, 0x40, 0x81})},
      {MidiProblem::kCutInEvent, "meta cut after FF", WithTrack({0x00, 0xFF})},
      {MidiProblem::kMetaTooLong, "meta longer than track",
       WithTrack({0x00, 0xFF, 0x01, 0x20, 'a'})},
      {MidiProblem::kTempoSize, "tempo of two bytes",
       WithTrack({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1})},
      {MidiProblem::kTempoZero, "tempo zero",
       WithTrack({0x00, 0xFF, 0x51, 0x03, 0, 0, 0, 0x00, 0xFF, 0x2F, 0x00})},
      {MidiProblem::kSysexTooLong, "sysex longer than track", WithTrack({0x00, 0xF0, 0x10, 0x7E})},
      {MidiProblem::kSystemMessage, "real-time byte",
       WithTrack({0x00, 0xF8, 0x00, 0xFF, 0x2F, 0x00})},
      {MidiProblem::kNoStatus, "running status at the track's start",
       WithTrack({0x00, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00})},
      {MidiProblem::kNoStatus, "running status after sysex",
       WithTrack({0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3C, 0x00, 0x00, 0xFF,
                  0x2F, 0x00})},
      {MidiProblem::kStatusAsData, "status byte as data",
       WithTrack({0x00, 0x90, 0x3C, 0x90, 0x00, 0xFF, 0x2F, 0x00})},
      {MidiProblem::kTooLong, "lasts longer than 2^63 microseconds", EndlessPiece()},
      // 5,200 quarters of 16.78 s: 24 h 14 min.
      {MidiProblem::kTooLong, "lasts a little longer than a day",
       WithTrack({0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0xA8, 0x50, 0xFF, 0x2F, 0x00}, 0, 1,
                 1)},
  };
}

}  // namespace yomite::midi_testing
