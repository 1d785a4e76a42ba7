// Prints what the music costs the first time through, beside what
// FluidSynth costs rendering the same piece with the same settings on its
// own (its own MIDI player, the same soundfont, rate, gain, reverb and
// chorus), and what the replayed later passes cost. Both run as fast as
// they can, in the blocks the audio callback asks for, and are measured in
// CPU time of the rendering thread per second of music; the runs
// alternate, and the medians are printed. Asserts nothing.
// Then both again in real time, one device block every 23 ms, where every
// block finds the caches as cold as an audio callback does.
//   usage: yomite-bench-synth [PIECE.mid [RUNS [SECONDS]]]
//   (default: demo/dat/bgm.mid, 5 runs, 12 s in real time)
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "platform/mci/midi_player.h"
#include "platform/mci/soundfont_search.h"
#include "platform/midi/standard_midi_file.h"

namespace mci = yomite::platform::mci;
namespace smf = yomite::platform::midi;  // Standard MIDI Files

namespace {

constexpr double kRate = 44100;
// What the audio device once asked of the callback at a time, and how the
// callback cuts it.
constexpr int kDeviceBlock = 1024;
constexpr int kHookBlock = 256;

double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// FluidSynth's own player over the piece, with the settings ours uses,
// rendering in the hook-sized pieces of one device block as ours does.
class FluidSynthAlone {
 public:
  FluidSynthAlone(const std::string& midi, const std::string& soundfont)
      : settings_(new_fluid_settings()) {
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setnum(settings_, "synth.gain", mci::MidiPlayer::kSynthGain);
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
    fluid_synth_sfload(synth_, soundfont.c_str(), 1);
    player_ = new_fluid_player(synth_);
    fluid_player_add(player_, midi.c_str());
    fluid_player_play(player_);
  }
  ~FluidSynthAlone() {
    delete_fluid_player(player_);
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }
  FluidSynthAlone(const FluidSynthAlone&) = delete;
  FluidSynthAlone& operator=(const FluidSynthAlone&) = delete;

  bool playing() const { return fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING; }
  void RenderDeviceBlock() {
    for (int at = 0; at < kDeviceBlock; at += kHookBlock) {
      fluid_synth_write_float(synth_, kHookBlock, block_.data(), 2 * at, 2, block_.data(),
                              2 * at + 1, 2);
    }
  }

 private:
  fluid_settings_t* settings_;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  std::vector<float> block_ = std::vector<float>(2 * kDeviceBlock);
};

// FluidSynth alone, once through as fast as it goes; CPU seconds per second
// of music.
double FluidSynthAloneOnce(const std::string& midi, const std::string& soundfont) {
  FluidSynthAlone alone(midi, soundfont);
  long frames = 0;
  const double cpu0 = ThreadCpu();
  while (alone.playing()) {
    alone.RenderDeviceBlock();
    frames += kDeviceBlock;
  }
  return (ThreadCpu() - cpu0) / (static_cast<double>(frames) / kRate);
}

// Sleeps until the next block is due, as an audio device would ask: one
// block of kDeviceBlock frames every 23 ms.
class Pace {
 public:
  Pace() : next_(std::chrono::steady_clock::now()) {}
  void Wait() {
    next_ += std::chrono::microseconds(static_cast<long>(1e6 * kDeviceBlock / kRate));
    std::this_thread::sleep_until(next_);
  }

 private:
  std::chrono::steady_clock::time_point next_;
};

// FluidSynth alone in real time for seconds of music; CPU seconds of the
// rendering thread per second of music, with the caches as cold as a
// device's callback finds them.
double FluidSynthAlonePaced(const std::string& midi, const std::string& soundfont, double seconds) {
  FluidSynthAlone alone(midi, soundfont);
  const long total = static_cast<long>(seconds * kRate);
  Pace pace;
  const double cpu0 = ThreadCpu();
  for (long frames = 0; frames < total; frames += kDeviceBlock) {
    alone.RenderDeviceBlock();
    pace.Wait();
  }
  return (ThreadCpu() - cpu0) / seconds;
}

// Our player's first pass in real time, the same way.
double OursPaced(const smf::MidiSequence& sequence, const std::string& soundfont, double seconds) {
  std::string why;
  auto player = mci::MidiPlayer::Create(sequence, {soundfont}, kRate, &why);
  if (!player) return 0;
  std::vector<float> block(2 * kHookBlock);
  player->Play(0, std::nullopt);
  const long total = static_cast<long>(seconds * kRate);
  Pace pace;
  const double cpu0 = ThreadCpu();
  for (long frames = 0; frames < total; frames += kDeviceBlock) {
    for (int at = 0; at < kDeviceBlock; at += kHookBlock) player->Render(block.data(), kHookBlock);
    pace.Wait();
  }
  return (ThreadCpu() - cpu0) / seconds;
}

struct Passes {
  double first = 0, replayed = 0;
  uint64_t synthesized_in_replay = 0;
};

// Our player over the piece twice, restarted at its end as the program
// does; CPU seconds per second of music for each pass.
Passes Ours(const smf::MidiSequence& sequence, const std::string& soundfont) {
  std::string why;
  auto player = mci::MidiPlayer::Create(sequence, {soundfont}, kRate, &why);
  if (!player) {
    std::fprintf(stderr, "yomite-bench-synth: %s\n", why.c_str());
    std::exit(1);
  }
  std::vector<float> block(2 * kHookBlock);
  Passes passes;
  for (int pass = 0; pass < 2; ++pass) {
    player->Play(0, std::nullopt);
    long frames = 0;
    const uint64_t synthesized0 = player->synthesized_frames();
    const double cpu0 = ThreadCpu();
    while (player->mode() == mci::MidiPlayer::Mode::kPlaying) {
      for (int at = 0; at < kDeviceBlock; at += kHookBlock)
        player->Render(block.data(), kHookBlock);
      frames += kDeviceBlock;
    }
    const double per_second = (ThreadCpu() - cpu0) / (static_cast<double>(frames) / kRate);
    (pass == 0 ? passes.first : passes.replayed) = per_second;
    if (pass == 1) passes.synthesized_in_replay = player->synthesized_frames() - synthesized0;
  }
  return passes;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string midi = argc > 1 ? argv[1] : YOMITE_DEMO_DAT "/bgm.mid";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::ifstream in(midi, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  auto read = smf::ReadStandardMidiFile(bytes);
  if (auto* why = std::get_if<smf::MidiRefusal>(&read)) {
    std::fprintf(stderr, "yomite-bench-synth: %s %s\n", midi.c_str(), why->message.c_str());
    return 1;
  }
  const smf::MidiSequence& sequence = std::get<smf::MidiSequence>(read);
  std::string soundfont;
  for (const std::string& path : mci::DefaultSoundFontSearchPath()) {
    if (mci::LooksLikeSoundFont(path)) {
      soundfont = path;
      break;
    }
  }
  if (soundfont.empty()) {
    std::fprintf(stderr, "yomite-bench-synth: no soundfont\n");
    return 1;
  }
  // Quiet FluidSynth's messages about the soundfont.
  for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
    fluid_set_log_function(level, nullptr, nullptr);
  }
  std::printf("%s, %.1f s, %s, %.0f Hz, gain %.2f, reverb and chorus on, %d-frame blocks\n",
              midi.c_str(), static_cast<double>(sequence.length_us) / 1e6, soundfont.c_str(), kRate,
              mci::MidiPlayer::kSynthGain, kHookBlock);
  std::vector<double> alone, first, replayed;
  for (int run = 0; run < runs; ++run) {
    alone.push_back(FluidSynthAloneOnce(midi, soundfont));
    Passes p = Ours(sequence, soundfont);
    first.push_back(p.first);
    replayed.push_back(p.replayed);
    std::printf(
        "  run %d: FluidSynth alone %.2f%%, ours first pass %.2f%%, replayed %.3f%% of a core "
        "(%llu frames synthesized in the replay)\n",
        run + 1, 100 * alone.back(), 100 * first.back(), 100 * replayed.back(),
        static_cast<unsigned long long>(p.synthesized_in_replay));
  }
  const double a = Median(alone), f = Median(first), r = Median(replayed);
  std::printf(
      "as fast as it goes, median of %d: FluidSynth alone %.2f%%, ours first pass %.2f%% "
      "(%.2fx), replayed %.3f%%\n",
      runs, 100 * a, 100 * f, f / a, 100 * r);

  // In real time, one block every 23 ms, as the device asks for them.
  const double seconds = argc > 3 ? std::atof(argv[3]) : 12.0;
  std::vector<double> alone_paced, ours_paced;
  for (int run = 0; run < 2; ++run) {
    alone_paced.push_back(FluidSynthAlonePaced(midi, soundfont, seconds));
    ours_paced.push_back(OursPaced(sequence, soundfont, seconds));
    std::printf("  in real time, run %d (%.0f s each): FluidSynth alone %.2f%%, ours %.2f%%\n",
                run + 1, seconds, 100 * alone_paced.back(), 100 * ours_paced.back());
  }
  const double ap = (alone_paced[0] + alone_paced[1]) / 2, op = (ours_paced[0] + ours_paced[1]) / 2;
  std::printf("in real time, mean of 2: FluidSynth alone %.2f%%, ours first pass %.2f%% (%.2fx)\n",
              100 * ap, 100 * op, op / ap);
  return 0;
}
