// How loud the music reaches the audio device: the bundled piece at the
// loudness of ordinary desktop sound, the same on its first pass and on
// the replayed ones, and a piece far denser than it turned down rather
// than clipped. Measured on SDL's disk audio driver, running as fast as
// it can, through the interpreter the program uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <variant>

#include "platform/mci/mci_errors.h"
#include "platform/mci/mci_interpreter.h"
#include "platform/mci/peak_limiter.h"
#include "platform/mci/sound_take.h"
#include "platform/midi/standard_midi_file.h"
#include "tests/mci/midi_builder.h"
#include "tests/mci/test_env.h"

namespace yomite::platform::mci {
namespace {

using mci_testing::ScopedEnv;
using mci_testing::ScratchDir;
using mci_testing::TrackBuilder;

constexpr int kRate = 44100;

double Db(double level) { return 20.0 * std::log10(std::max(level, 1e-12)); }

struct Level {
  double peak_db = -240;
  double rms_db = -240;
  long clipped = 0;  // samples at the ends of the 16-bit range
};

Level Measure(const std::vector<int16_t>& samples, size_t from, size_t to) {
  Level level;
  double sum = 0, peak = 0;
  to = std::min(to, samples.size());
  for (size_t i = from; i < to; ++i) {
    const double v = samples[i] / 32768.0;
    peak = std::max(peak, std::fabs(v));
    sum += v * v;
    if (samples[i] >= 32767 || samples[i] <= -32767) ++level.clipped;
  }
  level.peak_db = Db(peak);
  if (to > from) level.rms_db = 10.0 * std::log10(std::max(sum / double(to - from), 1e-24));
  return level;
}

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<int16_t> samples;
  int16_t s;
  while (in.read(reinterpret_cast<char*>(&s), sizeof s)) samples.push_back(s);
  return samples;
}

long FramesIn(const std::string& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<long>(size / 4);
}

// Plays the file through the interpreter `passes` times, restarting it on
// stopped as the program does, and returns the audio frame at which each
// pass was started (the last entry: where the audio was closed). Empty
// when the music could not play.
std::vector<long> PlayThrough(const std::string& midi, const std::string& audio, int passes,
                              std::string* why) {
  MciOptions options;
  options.report_silence = [why](const std::string& line) { *why = line; };
  auto mci = std::make_unique<MciInterpreter>(options);
  if (mci->SendString(u"open \"" + FromUtf8(midi) + u"\" alias MIDI", nullptr, 0) != kOk) {
    if (why->empty()) *why = "the music did not open";
    return {};
  }
  std::vector<long> starts{0};
  mci->SendString(u"play MIDI notify", nullptr, 0);
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    char16_t reply[16];
    std::fill(std::begin(reply), std::end(reply), u' ');
    mci->SendString(u"status MIDI mode", reply, 15);
    if (Text(reply, 7) != u"stopped") continue;
    starts.push_back(FramesIn(audio));
    if (static_cast<int>(starts.size()) > passes) break;
    mci->SendString(u"seek MIDI to start", nullptr, 0);
    mci->SendString(u"play MIDI from 0", nullptr, 0);
  }
  mci->SendString(u"close MIDI notify", nullptr, 0);
  mci.reset();  // closes the device, which flushes the file
  if (static_cast<int>(starts.size()) <= passes) {
    *why = "the music did not reach its end in time";
    return {};
  }
  return starts;
}

class Loudness : public ::testing::Test {
 protected:
  ScratchDir dir_;
  std::string audio_ = dir_.File("out.raw");
  ScopedEnv driver_{"SDL_AUDIODRIVER", "disk"};
  ScopedEnv file_{"SDL_DISKAUDIOFILE", audio_.c_str()};
  ScopedEnv delay_{"SDL_DISKAUDIODELAY", "0"};
};

TEST_F(Loudness, TheBundledPieceSoundsAtDesktopLoudnessOnEveryPass) {
  const std::string midi = std::string(YOMITE_DEMO_DAT) + "/bgm.mid";
  std::ifstream in(midi, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const auto piece = midi::ReadStandardMidiFile(bytes);
  ASSERT_TRUE(std::holds_alternative<midi::MidiSequence>(piece));
  // A pass is measured over the piece's length: the time the test takes to
  // see the end and restart it is not part of it.
  const auto length = static_cast<size_t>(
      static_cast<double>(std::get<midi::MidiSequence>(piece).length_us) * kRate / 1e6);
  std::string why;
  const std::vector<long> starts = PlayThrough(midi, audio_, 2, &why);
  if (starts.empty() && why.find("soundfont") != std::string::npos) GTEST_SKIP() << why;
  ASSERT_FALSE(starts.empty()) << why;
  const std::vector<int16_t> samples = ReadSamples(audio_);
  ASSERT_GE(static_cast<long>(samples.size()) / 2, starts.back());

  // The device runs, silent, from the open on: the first pass starts with
  // its first sound.
  std::vector<size_t> bounds(starts.begin(), starts.end());
  while (bounds[0] < bounds[1] && samples[2 * bounds[0]] == 0 && samples[2 * bounds[0] + 1] == 0) {
    ++bounds[0];
  }
  // The second pass is replayed from the first one's recording, with the
  // first one's tail over its start: both must sound alike at the device.
  std::vector<Level> passes;
  for (size_t p = 0; p + 1 < bounds.size(); ++p) {
    const Level l =
        Measure(samples, 2 * bounds[p], 2 * std::min(bounds[p] + length, bounds[p + 1]));
    std::printf("pass %zu: peak %.2f dBFS, RMS %.2f dBFS, %ld clipped samples\n", p + 1, l.peak_db,
                l.rms_db, l.clipped);
    RecordProperty("pass" + std::to_string(p + 1) + "_peak_dbfs", std::to_string(l.peak_db));
    RecordProperty("pass" + std::to_string(p + 1) + "_rms_dbfs", std::to_string(l.rms_db));
    EXPECT_GE(l.peak_db, -6.0) << "pass " << p + 1;
    EXPECT_LE(l.peak_db, -1.0) << "pass " << p + 1;
    EXPECT_GE(l.rms_db, -24.0) << "pass " << p + 1;
    EXPECT_EQ(l.clipped, 0) << "pass " << p + 1;
    passes.push_back(l);
  }
  ASSERT_EQ(passes.size(), 2u);
  // A replay at another gain would move the RMS. The peaks are not
  // compared: the second pass's loudest moment may add the first one's
  // tail, by as much as the restart happens to fall against it (1.2 dB
  // seen), and each pass's bounds above already hold them.
  EXPECT_NEAR(passes[0].rms_db, passes[1].rms_db, 0.5);
}

// Five seconds of tutti: every melodic channel a different orchestral
// instrument at full volume and expression, four-note chords at full
// velocity on each, with timpani and cymbals on the drum channel: some two
// hundred voices at once.
std::vector<uint8_t> DenseOrchestralPiece() {
  const uint8_t programs[15] = {48, 49, 50, 40, 41, 42, 43, 56, 57, 58, 60, 61, 68, 71, 47};
  const uint8_t chord[4] = {0, 4, 7, 12};
  // The melodic channels in order, passing over the drums' channel 9.
  auto channel = [](size_t i) { return static_cast<uint8_t>(i < 9 ? i : i + 1); };
  TrackBuilder tr;
  tr.Tempo(0, 500000);
  for (size_t i = 0; i < std::size(programs); ++i) {
    tr.Event(0, {static_cast<uint8_t>(0xC0 | channel(i)), programs[i]})
        .Event(0, {static_cast<uint8_t>(0xB0 | channel(i)), 7, 127})
        .Event(0, {static_cast<uint8_t>(0xB0 | channel(i)), 11, 127});
  }
  tr.Event(0, {0xB9, 7, 127});
  // Every channel's chord on the root, each a different octave above it.
  auto chords = [&](uint8_t root, uint8_t status, uint8_t velocity) {
    for (size_t i = 0; i < std::size(programs); ++i) {
      const auto octave = static_cast<uint8_t>(root + 12 * (i % 4));
      for (uint8_t step : chord) {
        tr.Event(0, {static_cast<uint8_t>(status | channel(i)), static_cast<uint8_t>(octave + step),
                     velocity});
      }
    }
  };
  const uint8_t roots[5] = {36, 41, 43, 38, 36};
  for (uint8_t root : roots) {
    chords(root, 0x90, 127);
    tr.Event(0, {0x99, 49, 127}).Event(0, {0x99, 57, 127}).Event(0, {0x99, 35, 127});
    tr.Event(960, {0x99, 49, 0});
    chords(root, 0x80, 0);
  }
  tr.EndOfTrack(0);
  return mci_testing::BuildMidiFile(0, 480, {tr});
}

TEST_F(Loudness, ADenseOrchestralPieceIsTurnedDownNotClipped) {
  const std::string midi = dir_.File("tutti.mid");
  mci_testing::WriteFile(midi, DenseOrchestralPiece());
  std::string why;
  const std::vector<long> starts = PlayThrough(midi, audio_, 1, &why);
  if (starts.empty() && why.find("soundfont") != std::string::npos) GTEST_SKIP() << why;
  ASSERT_FALSE(starts.empty()) << why;
  const std::vector<int16_t> samples = ReadSamples(audio_);
  const Level l = Measure(samples, 0, samples.size());
  std::printf("tutti: peak %.2f dBFS, RMS %.2f dBFS, %ld clipped samples\n", l.peak_db, l.rms_db,
              l.clipped);
  EXPECT_EQ(l.clipped, 0);
  EXPECT_LE(l.peak_db, Db(PeakLimiter::kCeiling) + 0.01);
  // Loud enough that it would have clipped without being turned down.
  EXPECT_GT(l.peak_db, Db(PeakLimiter::kCeiling) - 1.0);
}

// A stereo signal of frames frames: a sine of the given amplitude.
std::vector<float> Sine(double amplitude, int frames, double hz = 220.0) {
  std::vector<float> s(2 * static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / kRate));
    s[2 * i] = v;
    s[2 * i + 1] = -v;
  }
  return s;
}

TEST(PeakLimiter, PassesQuietSoundUnchangedAndHoldsLoudSoundUnderTheCeiling) {
  PeakLimiter limiter(kRate);
  std::vector<float> quiet = Sine(0.8, kRate / 2);
  const std::vector<float> quiet_in = quiet;
  limiter.Process(quiet.data(), kRate / 2);
  EXPECT_EQ(quiet, quiet_in);

  // Twice full scale in blocks of odd sizes: nothing above the ceiling.
  std::vector<float> loud = Sine(2.0, kRate / 2);
  float loudest = 0;
  for (int at = 0; at < kRate / 2;) {
    const int n = std::min(333, kRate / 2 - at);
    limiter.Process(loud.data() + 2 * at, n);
    at += n;
  }
  for (float v : loud) loudest = std::max(loudest, std::fabs(v));
  EXPECT_LE(loudest, PeakLimiter::kCeiling * 1.0001f);
  EXPECT_GT(loudest, PeakLimiter::kCeiling * 0.99f);
  // Turned down, not squared off: the wave keeps its shape within a cycle.
  const int cycle = kRate / 220;
  const float top = std::fabs(loud[2 * (kRate / 4 + cycle / 4)]);
  const float lower = std::fabs(loud[2 * (kRate / 4 + cycle / 8)]);
  EXPECT_NEAR(lower / top, std::sin(M_PI / 4), 0.02);

  // Right after the loud sound, quiet sound is still held down; a couple of
  // seconds later it passes unchanged again.
  std::vector<float> after = Sine(0.5, kRate / 10);
  limiter.Process(after.data(), kRate / 10);
  EXPECT_LT(std::fabs(after[2 * (kRate / 880)]), 0.45f);  // a crest of the wave
  std::vector<float> later = Sine(0.5, 2 * kRate);
  const std::vector<float> later_in = later;
  limiter.Process(later.data(), 2 * kRate);
  int changed = 0;
  for (int i = 3 * kRate; i < 4 * kRate; ++i) changed += later[i] != later_in[i];
  EXPECT_EQ(changed, 0);
}

TEST(SoundTake, KeepsSoundAboveFullScaleForTheLimiterAfterIt) {
  SoundTake take;
  take.Reserve(4);
  const float in[8] = {1.5f, -1.5f, 0.25f, -0.25f, 3.0f, -3.0f, 0.0f, 1.0f};
  ASSERT_TRUE(take.Append(in, 4));
  float out[8] = {};
  take.MixInto(out, 0, 4);
  EXPECT_NEAR(out[0], 1.5f, 1e-3);
  EXPECT_NEAR(out[1], -1.5f, 1e-3);
  EXPECT_NEAR(out[2], 0.25f, 1e-3);
  EXPECT_NEAR(out[4], SoundTake::kMaxLevel, 1e-3);  // past what it holds: clipped there
  EXPECT_NEAR(out[5], -SoundTake::kMaxLevel, 1e-3);
  EXPECT_NEAR(out[7], 1.0f, 1e-3);
  EXPECT_FALSE(take.Append(in, 1)) << "appended past the reserved room";
}

}  // namespace
}  // namespace yomite::platform::mci
