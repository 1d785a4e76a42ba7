// Writes the demo story's background music: yomite-gen-music OUT.mid
//
// A Standard MIDI File, format 1, for General MIDI: a conductor track and
// one track each for piano, strings, bass and flute. Sixteen bars of 4/4 in
// F major at 80 beats a minute, 48 seconds. The player restarts the file as
// soon as it stops, so the piece ends on the dominant (C7) with every note
// released exactly at the end of the last bar, where each track's
// end-of-track also stands: no tail of silence, and the C7 falls back into
// the F of bar 1.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/midi/midi_writer.h"

namespace {

using yomite::platform::midi::AppendVarLen;
using yomite::platform::midi::TrackBuilder;

constexpr int kPpq = 480;  // ticks per quarter note
constexpr int kBar = 4 * kPpq;
constexpr int kBars = 16;
constexpr int kEnd = kBars * kBar;
constexpr int kEighth = kPpq / 2;
constexpr int kTempoUsPerQuarter = 750000;  // 80 beats a minute

struct Event {
  int tick;
  int order;  // at one tick: set-up first, then note-offs, then note-ons
  std::vector<uint8_t> bytes;
};

class Track {
 public:
  explicit Track(uint8_t channel) : ch_(channel) {}

  void Meta(int tick, uint8_t type, const std::string& data) {
    std::vector<uint8_t> b{0xFF, type};
    AppendVarLen(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    events_.push_back({tick, 0, b});
  }
  void Program(uint8_t program) { events_.push_back({0, 0, {uint8_t(0xC0 | ch_), program}}); }
  void Control(int tick, uint8_t cc, uint8_t value, int order = 1) {
    events_.push_back({tick, order, {uint8_t(0xB0 | ch_), cc, value}});
  }
  void Note(int tick, int length, int pitch, int velocity) {
    events_.push_back({tick, 2, {uint8_t(0x90 | ch_), uint8_t(pitch), uint8_t(velocity)}});
    events_.push_back({tick + length, 1, {uint8_t(0x80 | ch_), uint8_t(pitch), 0}});
  }

  // The track in time order, ending with end-of-track at the end of the
  // last bar.
  TrackBuilder Build() const {
    std::vector<Event> ev = events_;
    std::stable_sort(ev.begin(), ev.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    TrackBuilder track;
    int now = 0;
    for (const Event& e : ev) {
      track.Event(uint32_t(e.tick - now), e.bytes);
      now = e.tick;
    }
    track.EndOfTrack(uint32_t(kEnd - now));
    return track;
  }

  int LastTick() const {
    int last = 0;
    for (const Event& e : events_) last = std::max(last, e.tick);
    return last;
  }

 private:
  uint8_t ch_;
  std::vector<Event> events_;
};

// Pitches (MIDI note numbers, C4 = 60).
enum : int {
  G1 = 31,
  A1 = 33,
  Bb1 = 34,
  C2 = 36,
  D2 = 38,
  E2 = 40,
  F2 = 41,
  G2 = 43,
  A2 = 45,
  Bb2 = 46,
  C3 = 48,
  D3 = 50,
  E3 = 52,
  F3 = 53,
  G3 = 55,
  A3 = 57,
  Bb3 = 58,
  C4 = 60,
  D4 = 62,
  E4 = 64,
  F4 = 65,
  G4 = 67,
  A4 = 69,
  Bb4 = 70,
  C5 = 72,
  D5 = 74,
  E5 = 76,
  F5 = 77,
  G5 = 79,
  A5 = 81,
};

// One chord: four tones for the piano's broken chord, three for the strings,
// and the bass's root and fifth. A bar holds one chord or two halves.
struct Chord {
  int piano[4];
  int strings[3];
  int bass[2];
};

constexpr Chord kF{{F3, C4, F4, A4}, {F3, A3, C4}, {F2, C3}};
constexpr Chord kFoverA{{F3, C4, F4, A4}, {F3, A3, C4}, {A1, C3}};
constexpr Chord kCoverE{{C3, G3, C4, E4}, {E3, G3, C4}, {E2, G2}};
constexpr Chord kC{{C3, G3, C4, E4}, {E3, G3, C4}, {C2, G2}};
constexpr Chord kDm{{D3, A3, D4, F4}, {D3, F3, A3}, {D2, A2}};
constexpr Chord kBb{{Bb2, F3, Bb3, D4}, {D3, F3, Bb3}, {Bb1, F2}};
constexpr Chord kGm7{{G2, D3, Bb3, F4}, {D3, F3, Bb3}, {G1, D2}};
constexpr Chord kGm{{G2, D3, G3, Bb3}, {D3, G3, Bb3}, {G1, D2}};
constexpr Chord kAm{{A2, E3, A3, C4}, {E3, A3, C4}, {A1, E2}};
constexpr Chord kAm7{{A2, E3, G3, C4}, {E3, G3, C4}, {A1, E2}};
constexpr Chord kBbMaj7{{Bb2, F3, A3, D4}, {D3, F3, A3}, {Bb1, F2}};
constexpr Chord kCsus4{{C3, G3, C4, F4}, {F3, G3, C4}, {C2, G2}};
constexpr Chord kC7{{C3, G3, Bb3, E4}, {E3, G3, Bb3}, {C2, G2}};

struct Bar {
  const Chord* first;
  const Chord* second;  // null: the first chord holds the whole bar
};

const Bar kHarmony[kBars] = {
    {&kF, nullptr},   {&kCoverE, nullptr}, {&kDm, nullptr},     {&kBb, nullptr},
    {&kGm7, nullptr}, {&kC, nullptr},      {&kFoverA, nullptr}, {&kBb, &kC},
    {&kDm, nullptr},  {&kAm, nullptr},     {&kBb, nullptr},     {&kFoverA, nullptr},
    {&kGm, nullptr},  {&kAm7, nullptr},    {&kBbMaj7, nullptr}, {&kCsus4, &kC7},
};

// The tune, as (pitch, length in eighths); a bar adds up to 8 eighths.
struct Tone {
  int pitch, eighths;
};
const std::vector<std::vector<Tone>> kTune = {
    {{F5, 2}, {E5, 1}, {D5, 1}, {C5, 4}},            // 1 F
    {{D5, 2}, {C5, 1}, {Bb4, 1}, {G4, 4}},           // 2 C/E
    {{A4, 2}, {D5, 2}, {F5, 3}, {E5, 1}},            // 3 Dm
    {{D5, 6}, {C5, 2}},                              // 4 Bb
    {{Bb4, 2}, {D5, 2}, {F5, 2}, {E5, 1}, {D5, 1}},  // 5 Gm7
    {{E5, 4}, {G4, 4}},                              // 6 C
    {{C5, 2}, {F5, 2}, {A5, 3}, {G5, 1}},            // 7 F/A
    {{F5, 2}, {D5, 2}, {E5, 2}, {C5, 2}},            // 8 Bb C
    {{D5, 3}, {E5, 1}, {F5, 2}, {A5, 2}},            // 9 Dm
    {{G5, 2}, {E5, 2}, {C5, 4}},                     // 10 Am
    {{D5, 3}, {C5, 1}, {Bb4, 2}, {D5, 2}},           // 11 Bb
    {{C5, 6}, {A4, 2}},                              // 12 F/A
    {{Bb4, 2}, {D5, 2}, {G5, 3}, {F5, 1}},           // 13 Gm
    {{E5, 2}, {C5, 2}, {E5, 2}, {G5, 2}},            // 14 Am7
    {{F5, 4}, {D5, 2}, {F5, 2}},                     // 15 Bbmaj7
    {{G5, 2}, {F5, 2}, {E5, 4}},                     // 16 Csus4 C7, E leads to the F of bar 1
};

// Melody in the piano for the first eight bars, then in the flute.
void WriteTune(Track& piano, Track& flute) {
  for (int bar = 0; bar < kBars; ++bar) {
    int tick = bar * kBar;
    Track& voice = bar < 8 ? piano : flute;
    for (const Tone& t : kTune[size_t(bar)]) {
      int len = t.eighths * kEighth;
      bool downbeat = (tick % kBar) == 0;
      int vel = bar < 8 ? (downbeat ? 78 : 70) : (downbeat ? 72 : 64);
      voice.Note(tick, len - 12, t.pitch, vel);  // a hair short, so repeated notes speak
      tick += len;
    }
  }
}

void WriteAccompaniment(Track& piano, Track& strings, Track& bass) {
  static const int kUpDown[8] = {0, 1, 2, 3, 2, 1, 2, 3};
  for (int bar = 0; bar < kBars; ++bar) {
    const Bar& b = kHarmony[bar];
    int start = bar * kBar;
    bool second_half = false;
    for (int e = 0; e < 8; ++e) {
      second_half = e >= 4;
      const Chord& ch = (second_half && b.second) ? *b.second : *b.first;
      int idx = b.second ? e % 4 : kUpDown[e];
      int vel = e % 2 ? 44 : (e == 0 ? 58 : 50);
      piano.Note(start + e * kEighth, kEighth, ch.piano[idx], vel);
    }
    // The pedal holds each bar's broken chord and lifts just before the next.
    piano.Control(start + 20, 64, 127);
    piano.Control(start + kBar - 20, 64, 0);

    int strings_vel = bar < 8 ? 42 : 54;
    auto pad = [&](const Chord& ch, int tick, int len) {
      for (int p : ch.strings) strings.Note(tick, len, p, strings_vel);
      bass.Note(tick, len / 2, ch.bass[0], 70);
      bass.Note(tick + len / 2, len / 2, ch.bass[len == kBar ? 1 : 0], 60);
    };
    if (b.second) {
      pad(*b.first, start, kBar / 2);
      pad(*b.second, start + kBar / 2, kBar / 2);
    } else {
      pad(*b.first, start, kBar);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: yomite-gen-music OUT.mid\n");
    return 2;
  }

  Track conductor(0);
  conductor.Meta(0, 0x03, "shiomi");
  std::string tempo{char(kTempoUsPerQuarter >> 16), char((kTempoUsPerQuarter >> 8) & 0xFF),
                    char(kTempoUsPerQuarter & 0xFF)};
  conductor.Meta(0, 0x51, tempo);
  conductor.Meta(0, 0x58, std::string{4, 2, 24, 8});  // 4/4
  conductor.Meta(0, 0x59, std::string{char(-1), 0});  // F major: one flat

  struct Part {
    Track track;
    const char* name;
    uint8_t program, volume, pan, reverb;
  };
  Part parts[] = {
      {Track(0), "piano", 0, 100, 60, 50},    // Acoustic Grand Piano
      {Track(1), "strings", 49, 80, 76, 70},  // String Ensemble 2 (slow)
      {Track(2), "bass", 32, 90, 64, 30},     // Acoustic Bass
      {Track(3), "flute", 73, 84, 52, 60},    // Flute
  };
  for (Part& p : parts) {
    p.track.Meta(0, 0x03, p.name);
    p.track.Program(p.program);
    p.track.Control(0, 7, p.volume, 0);
    p.track.Control(0, 10, p.pan, 0);
    p.track.Control(0, 91, p.reverb, 0);
  }
  WriteTune(parts[0].track, parts[3].track);
  WriteAccompaniment(parts[0].track, parts[1].track, parts[2].track);

  std::vector<TrackBuilder> tracks;
  for (const Track* t :
       {&conductor, &parts[0].track, &parts[1].track, &parts[2].track, &parts[3].track}) {
    if (t->LastTick() > kEnd) {
      std::fprintf(stderr, "yomite-gen-music: a note runs past the last bar\n");
      return 1;
    }
    tracks.push_back(t->Build());
  }
  std::vector<uint8_t> file = yomite::platform::midi::BuildMidiFile(1, kPpq, tracks);

  FILE* f = std::fopen(argv[1], "wb");
  bool ok = f && std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "yomite-gen-music: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
