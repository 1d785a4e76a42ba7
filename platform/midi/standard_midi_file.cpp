#include "platform/midi/standard_midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace yomite::platform::midi {

namespace {

using Bytes = std::span<const uint8_t>;

uint32_t Be32(Bytes b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
         b[at + 3];
}
uint32_t Le32(Bytes b, size_t at) {
  return (uint32_t{b[at + 3]} << 24) | (uint32_t{b[at + 2]} << 16) | (uint32_t{b[at + 1]} << 8) |
         b[at];
}
uint16_t Be16(Bytes b, size_t at) { return static_cast<uint16_t>((b[at] << 8) | b[at + 1]); }
bool IsTag(Bytes b, size_t at, const char* tag) {
  return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

using Refusal = std::optional<MidiRefusal>;

MidiRefusal Refuse(MidiProblem problem, std::string message) {
  return MidiRefusal{problem, std::move(message)};
}

// Inside a track: the message the file's refusal gives.
MidiRefusal Corrupt(MidiProblem problem, const char* what) {
  return Refuse(problem, std::string("is corrupt: ") + what);
}

// One event as read from a track, before the tracks are merged.
struct TrackEvent {
  uint64_t tick = 0;
  // kMark: no sound (the end of a track, names, texts, escapes), but its
  // time still counts towards the length of the piece.
  enum Kind : uint8_t { kChannel, kSysex, kTempo, kMark } kind = kChannel;
  uint8_t status = 0, data1 = 0, data2 = 0;
  uint32_t value = 0;  // tempo in microseconds per quarter note
  uint32_t sysex_offset = 0, sysex_length = 0;
};

class TrackReader {
 public:
  TrackReader(Bytes data, size_t max_events, std::vector<TrackEvent>& out,
              std::vector<uint8_t>& sysex)
      : data_(data), max_events_(max_events), out_(out), sysex_(sysex) {}

  // Nothing on success, the refusal otherwise.
  Refusal Read() {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (pos_ < data_.size()) {
      // Checked before each event, so the events held never pass the limit.
      if (out_.size() >= max_events_) {
        return Refuse(MidiProblem::kTooManyEvents,
                      "holds more than " + std::to_string(max_events_) + " events");
      }
      uint32_t delta = 0;
      if (Refusal why = ReadVarLen(delta, "a delta time runs past the end of its track")) {
        return why;
      }
      tick += delta;
      if (pos_ >= data_.size()) return CutShort();
      uint8_t status = data_[pos_];
      TrackEvent e;
      e.tick = tick;
      if (status == 0xFF) {
        if (pos_ + 2 > data_.size()) {
          return Corrupt(MidiProblem::kCutInEvent, "a meta event is cut short");
        }
        uint8_t type = data_[pos_ + 1];
        pos_ += 2;
        uint32_t length = 0;
        if (Refusal why = ReadVarLen(length, "a meta event is cut short")) return why;
        if (length > data_.size() - pos_) {
          return Corrupt(MidiProblem::kMetaTooLong, "a meta event is longer than its track");
        }
        Bytes body = data_.subspan(pos_, length);
        pos_ += length;
        if (type == 0x2F) {
          e.kind = TrackEvent::kMark;
          out_.push_back(e);
          return {};  // whatever follows the end marker is not part of the track
        }
        if (type == 0x51) {
          if (length != 3) {
            return Corrupt(MidiProblem::kTempoSize, "a tempo event does not hold 3 bytes");
          }
          e.kind = TrackEvent::kTempo;
          e.value = (uint32_t{body[0]} << 16) | (uint32_t{body[1]} << 8) | body[2];
          if (e.value == 0) {
            return Corrupt(MidiProblem::kTempoZero, "a tempo event sets a tempo of zero");
          }
        } else {
          e.kind = TrackEvent::kMark;
        }
        out_.push_back(e);
        continue;
      }
      if (status == 0xF0 || status == 0xF7) {
        ++pos_;
        uint32_t length = 0;
        if (Refusal why = ReadVarLen(length, "a system exclusive event is cut short")) return why;
        if (length > data_.size() - pos_) {
          return Corrupt(MidiProblem::kSysexTooLong,
                         "a system exclusive event is longer than its track");
        }
        Bytes body = data_.subspan(pos_, length);
        pos_ += length;
        running = 0;
        // F7 events are escapes (raw bytes or sysex continuations); only a
        // complete F0 message is handed to the synthesizer.
        if (status == 0xF0) {
          size_t n = body.size();
          if (n > 0 && body[n - 1] == 0xF7) --n;
          e.kind = TrackEvent::kSysex;
          e.sysex_offset = static_cast<uint32_t>(sysex_.size());
          e.sysex_length = static_cast<uint32_t>(n);
          sysex_.insert(sysex_.end(), body.begin(), body.begin() + n);
        } else {
          e.kind = TrackEvent::kMark;
        }
        out_.push_back(e);
        continue;
      }
      if (status >= 0xF1) {
        return Corrupt(MidiProblem::kSystemMessage,
                       "a track holds a system message that files may not hold");
      }
      if (status & 0x80) {
        running = status;
        ++pos_;
      } else if (running == 0) {
        // Running status at a track's start or after a system exclusive
        // event has no status to run on.
        return Corrupt(MidiProblem::kNoStatus, "a track holds data bytes without a status byte");
      }
      e.status = running;
      uint8_t kind = running & 0xF0;
      int count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
      if (pos_ + count > data_.size()) return CutShort();
      for (int i = 0; i < count; ++i) {
        uint8_t d = data_[pos_ + i];
        if (d & 0x80) {
          return Corrupt(MidiProblem::kStatusAsData,
                         "a channel message holds a status byte where data belongs");
        }
        (i == 0 ? e.data1 : e.data2) = d;
      }
      pos_ += count;
      out_.push_back(e);
    }
    return {};
  }

 private:
  static MidiRefusal CutShort() {
    return Corrupt(MidiProblem::kCutInEvent, "a track ends in the middle of an event");
  }

  // cut_short names what the track's end interrupts.
  Refusal ReadVarLen(uint32_t& value, const char* cut_short) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (pos_ >= data_.size()) return Corrupt(MidiProblem::kCutInEvent, cut_short);
      uint8_t b = data_[pos_++];
      value = (value << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return {};
    }
    return Corrupt(MidiProblem::kNumberTooLong, "a variable-length number runs on past four bytes");
  }

  Bytes data_;
  size_t max_events_;
  size_t pos_ = 0;
  std::vector<TrackEvent>& out_;
  std::vector<uint8_t>& sysex_;
};

// The SMF inside a RIFF "RMID" file: the body of its "data" chunk.
std::variant<Bytes, MidiRefusal> UnwrapRiff(Bytes bytes) {
  if (bytes.size() < 12 || !IsTag(bytes, 8, "RMID")) {
    return Refuse(MidiProblem::kNotMidi, "is not a MIDI file (a RIFF file of another kind)");
  }
  size_t end = std::min<size_t>(bytes.size(), size_t{Le32(bytes, 4)} + 8);
  size_t at = 12;
  while (at + 8 <= end) {
    uint32_t length = Le32(bytes, at + 4);
    if (length > end - at - 8) {
      return Refuse(MidiProblem::kRiffChunkTooLong,
                    "is truncated: a RIFF chunk is longer than the file");
    }
    if (IsTag(bytes, at, "data")) return bytes.subspan(at + 8, length);
    at += 8 + length + (length & 1);
  }
  return Refuse(MidiProblem::kRiffNoData, "is a RIFF MIDI file that holds no data chunk");
}

}  // namespace

bool LooksLikeMidiFile(std::span<const uint8_t> bytes) {
  return IsTag(bytes, 0, "MThd") || (IsTag(bytes, 0, "RIFF") && IsTag(bytes, 8, "RMID"));
}

std::variant<MidiSequence, MidiRefusal> ReadStandardMidiFile(std::span<const uint8_t> bytes,
                                                             MidiLimits limits) {
  if (IsTag(bytes, 0, "RIFF")) {
    auto inner = UnwrapRiff(bytes);
    if (auto* why = std::get_if<MidiRefusal>(&inner)) return *why;
    bytes = std::get<Bytes>(inner);
  }
  if (!IsTag(bytes, 0, "MThd"))
    return Refuse(MidiProblem::kNotMidi, "is not a MIDI file (no MThd header)");
  if (bytes.size() < 14)
    return Refuse(MidiProblem::kHeaderCutShort, "is cut short inside its header");
  uint32_t header_length = Be32(bytes, 4);
  if (header_length < 6 || header_length > bytes.size() - 8) {
    return Refuse(MidiProblem::kHeaderLength, "has a header of impossible length");
  }
  MidiSequence seq;
  seq.format = Be16(bytes, 8);
  uint32_t declared_tracks = Be16(bytes, 10);
  uint16_t division = Be16(bytes, 12);
  if (seq.format > 1) {
    return Refuse(MidiProblem::kFormat,
                  "is of format " + std::to_string(seq.format) + ", which is not played");
  }
  if (declared_tracks == 0) return Refuse(MidiProblem::kNoTracks, "declares no tracks");
  if (division == 0) return Refuse(MidiProblem::kDivisionZero, "declares a time division of zero");

  std::vector<TrackEvent> merged;
  uint32_t found = 0;
  size_t at = 8 + header_length;
  while (found < declared_tracks && at < bytes.size()) {
    if (bytes.size() - at < 8)
      return Refuse(MidiProblem::kChunkHeaderCutShort, "is cut short inside a chunk header");
    uint32_t length = Be32(bytes, at + 4);
    if (length > bytes.size() - at - 8) {
      return Refuse(MidiProblem::kChunkTooLong, "is truncated: a chunk is longer than the file");
    }
    if (IsTag(bytes, at, "MTrk")) {
      TrackReader reader(bytes.subspan(at + 8, length), limits.max_events, merged, seq.sysex_data);
      if (Refusal why = reader.Read()) return *why;
      ++found;
    }
    // Chunks of other kinds are skipped, as the format asks readers to.
    at += 8 + length;
  }
  if (found < declared_tracks) {
    return Refuse(MidiProblem::kMissingTracks, "is truncated: it declares " +
                                                   std::to_string(declared_tracks) +
                                                   " tracks but holds " + std::to_string(found));
  }
  seq.tracks = static_cast<int>(found);

  // Tracks were read one after the other, so a stable sort keeps, at equal
  // ticks, the order of the tracks and the order within each track.
  std::stable_sort(merged.begin(), merged.end(),
                   [](const TrackEvent& a, const TrackEvent& b) { return a.tick < b.tick; });

  // Ticks to microseconds: with a metrical division the tempo map decides;
  // a time-code division fixes ticks per second.
  double us_per_tick = 0;
  const bool time_code = (division & 0x8000) != 0;
  if (time_code) {
    int fps = -static_cast<int8_t>(division >> 8);
    int ticks_per_frame = division & 0xFF;
    if (ticks_per_frame == 0 || (fps != 24 && fps != 25 && fps != 29 && fps != 30)) {
      return Refuse(MidiProblem::kTimeCode, "declares an unknown time-code division");
    }
    double frames_per_second = fps == 29 ? 30000.0 / 1001.0 : fps;
    us_per_tick = 1e6 / (frames_per_second * ticks_per_frame);
  } else {
    us_per_tick = 500000.0 / division;  // 120 beats a minute until a tempo event
  }
  uint64_t base_tick = 0;
  double base_us = 0;
  for (const TrackEvent& e : merged) {
    double us = base_us + static_cast<double>(e.tick - base_tick) * us_per_tick;
    if (!(us <= static_cast<double>(kMaxMidiMicroseconds))) {
      return Refuse(MidiProblem::kTooLong, "lasts longer than 24 hours");
    }
    int64_t time_us = std::llround(us);
    seq.length_us = std::max(seq.length_us, time_us);
    switch (e.kind) {
      case TrackEvent::kTempo:
        if (!time_code) {
          base_tick = e.tick;
          base_us = us;
          us_per_tick = static_cast<double>(e.value) / division;
        }
        break;
      case TrackEvent::kMark:
        break;
      case TrackEvent::kSysex:
        seq.events.push_back({time_us, 0xF0, 0, 0, e.sysex_offset, e.sysex_length});
        break;
      case TrackEvent::kChannel:
        seq.events.push_back({time_us, e.status, e.data1, e.data2, 0, 0});
        break;
    }
  }
  return seq;
}

}  // namespace yomite::platform::midi
