#include "tests/mci/midi_builder.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace yomite::mci_testing {

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

void TrackBuilder::Delta(uint32_t delta) { AppendVarLen(bytes_, delta); }

TrackBuilder& TrackBuilder::Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
  Delta(delta);
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}

TrackBuilder& TrackBuilder::Tempo(uint32_t delta, uint32_t us) {
  return Event(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16),
                       static_cast<uint8_t>(us >> 8), static_cast<uint8_t>(us)});
}

TrackBuilder& TrackBuilder::EndOfTrack(uint32_t delta) { return Event(delta, {0xFF, 0x2F, 0x00}); }

std::vector<uint8_t> BuildMidiFile(uint16_t format, uint16_t division,
                                   const std::vector<TrackBuilder>& tracks) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  auto be16 = [&](uint16_t v) {
    out.push_back(v >> 8);
    out.push_back(v & 0xFF);
  };
  be16(format);
  be16(static_cast<uint16_t>(tracks.size()));
  be16(division);
  for (const TrackBuilder& t : tracks) {
    uint32_t n = static_cast<uint32_t>(t.bytes().size());
    out.insert(out.end(),
               {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    out.insert(out.end(), t.bytes().begin(), t.bytes().end());
  }
  return out;
}

std::vector<uint8_t> NoteFlood(size_t count, uint32_t delta) {
  TrackBuilder t;
  for (size_t i = 0; i < count; ++i) {
    const auto key = static_cast<uint8_t>(36 + (i / 2) % 48);
    const uint8_t velocity = i % 2 == 0 ? 100 : 0;
    if (i == 0) {
      t.Event(delta, {0x90, key, velocity});
    } else {
      t.Event(delta, {key, velocity});
    }
  }
  t.EndOfTrack(0);
  return BuildMidiFile(0, 480, {t});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> TestPiece::Bytes() {
  // 480 ticks a quarter note at 750 000 us a quarter: 0.75 s a quarter.
  TrackBuilder t;
  t.Tempo(0, 750000)
      .Event(0, {0xC0, 80})       // square lead
      .Event(0, {0x90, 72, 120})  // C5 for an eighth
      .Event(240, {0x80, 72, 64})
      .Event(240, {0x90, 76, 120})  // E5 at 0.75 s
      .Event(240, {0x80, 76, 64})   // last note ends at 1.125 s
      .EndOfTrack(240);             // the piece ends at 1.5 s
  return BuildMidiFile(0, 480, {t});
}

float Rms(const std::vector<float>& mono, long from, long count) {
  double sum = 0;
  long n = 0;
  for (long i = std::max(0L, from); i < from + count && i < static_cast<long>(mono.size()); ++i) {
    sum += double{mono[i]} * mono[i];
    ++n;
  }
  return n == 0 ? 0.0f : static_cast<float>(std::sqrt(sum / n));
}

long FindOnset(const std::vector<float>& mono, long from, int window, float off_level,
               float on_level) {
  bool was_quiet = false;
  for (long at = std::max(0L, from); at + window <= static_cast<long>(mono.size()); at += window) {
    float level = Rms(mono, at, window);
    if (was_quiet && level > on_level) {
      // Refine to the first loud sample of the window's attack.
      for (long i = at; i < at + window; ++i) {
        if (std::fabs(mono[i]) > on_level) return i;
      }
      return at;
    }
    if (level <= off_level) was_quiet = true;
  }
  return -1;
}

}  // namespace yomite::mci_testing
