#include "tests/mci/midi_builder.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace yomite::mci_testing {

std::vector<uint8_t> HeldChord() {
  TrackBuilder t;
  t.Event(0, {0xC0, 48});
  for (uint8_t key : {60, 64, 67}) t.Event(0, {0x90, key, 110});
  t.EndOfTrack(9600);  // 10 s at 120 beats a minute, 480 ticks a quarter
  return BuildMidiFile(0, 480, {t});
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
