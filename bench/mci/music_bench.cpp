// Prints figures of the music backend; asserts nothing about them.
//   start-up: the open and play commands with the default soundfont;
//   restart gap: audio time from the last event of the piece to the sound
//     of its restart, the program's way (poll every 20 ms as the player does, seek, play from 0);
//   CPU: a process that plays music and polls the mode as the player does;
//     and one whose music is open but stopped (the cost of the device alone);
//   End: closing the music while a held chord sounds, as the program's End
//     does ("close", then the device), and the level of the last 10 ms of
//     sound the device was given.
//   usage: yomite-bench-mci [SECONDS]   (YOMITE_BENCH_BLOCK=FRAMES: the device block)
// The audio goes to SDL's dummy or disk driver; nothing is heard.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/mci/mci_interpreter.h"
#include "platform/mci/soundfont_search.h"
#include "tests/mci/midi_builder.h"

namespace mci = yomite::platform::mci;
namespace t = yomite::mci_testing;
using Clock = std::chrono::steady_clock;
using yomite::FromUtf8;
using yomite::Text;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Text OpenCommand(const std::string& path) { return u"open \"" + FromUtf8(path) + u"\" alias MIDI"; }

bool Stopped(mci::MciInterpreter& m) {
  char16_t reply[16];
  std::fill(std::begin(reply), std::end(reply), u' ');
  m.SendString(u"status MIDI mode", reply, 15);
  return Text(reply, 7) == u"stopped";
}

// Ten seconds of a busier piece: four-note chords on strings, a bass line
// and drums in eighth notes at 120 beats a minute, looped by the program.
std::vector<uint8_t> BusyPiece() {
  t::TrackBuilder tr;
  tr.Tempo(0, 500000).Event(0, {0xC0, 48}).Event(0, {0xC1, 33});
  const uint8_t chords[4][4] = {
      {60, 64, 67, 72}, {57, 60, 64, 69}, {53, 57, 60, 65}, {55, 59, 62, 67}};
  for (int bar = 0; bar < 5; ++bar) {
    const uint8_t* c = chords[bar % 4];
    for (int n = 0; n < 4; ++n) tr.Event(0, {0x90, c[n], 80});
    for (int eighth = 0; eighth < 8; ++eighth) {
      uint8_t bass = static_cast<uint8_t>(c[0] - 24 + (eighth % 2) * 7);
      tr.Event(0, {0x91, bass, 100})
          .Event(0, {0x99, static_cast<uint8_t>(eighth % 2 ? 38 : 36), 110});
      tr.Event(0, {0x99, 42, 70});
      tr.Event(240, {0x81, bass, 0});
    }
    for (int n = 0; n < 4; ++n) tr.Event(0, {0x80, c[n], 0});
  }
  tr.EndOfTrack(0);
  return t::BuildMidiFile(0, 480, {tr});
}

void StartUp(const std::string& dir) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::string file = dir + "/bgm.mid";
  t::WriteFile(file, t::TestPiece::Bytes());
  std::vector<std::string> soundfonts = mci::DefaultSoundFontSearchPath();
  std::printf("start-up (dummy audio driver, first loadable of: %s)\n",
              mci::JoinPaths(soundfonts).c_str());
  mci::MciInterpreter m;
  std::vector<double> opens, plays;
  for (int i = 0; i < 6; ++i) {
    m.SendString(u"close MIDI notify", nullptr, 0);
    auto t0 = Clock::now();
    uint32_t code = m.SendString(OpenCommand(file), nullptr, 0);
    auto t1 = Clock::now();
    m.SendString(u"play MIDI notify", nullptr, 0);
    auto t2 = Clock::now();
    if (code != 0) {
      std::printf("  open failed with %u\n", code);
      return;
    }
    std::printf("  %s open %.1f ms, play %.3f ms\n", i == 0 ? "first" : "again", Ms(t1 - t0),
                Ms(t2 - t1));
    if (i > 0) opens.push_back(Ms(t1 - t0));
  }
  std::sort(opens.begin(), opens.end());
  std::printf("  open+play after the first: median %.1f ms (the first one also opens the device)\n",
              opens[opens.size() / 2]);
}

// The player's music timer period.
constexpr int kPollMs = 20;

void RestartGap(const std::string& dir, int loops) {
  const std::string audio = dir + "/out.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
  const std::string file = dir + "/bgm.mid";
  t::WriteFile(file, t::TestPiece::Bytes());
  {
    mci::MciInterpreter m;
    if (m.SendString(OpenCommand(file), nullptr, 0) != 0) {
      std::printf("restart gap: the music did not open\n");
      return;
    }
    m.SendString(u"play MIDI notify", nullptr, 0);
    auto until = Clock::now() +
                 std::chrono::duration<double>((loops + 1.2) * t::TestPiece::kLengthSeconds + 1.0);
    while (Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
      if (Stopped(m)) {
        m.SendString(u"seek MIDI to start", nullptr, 0);
        m.SendString(u"play MIDI from 0", nullptr, 0);
      }
    }
    m.SendString(u"close MIDI notify", nullptr, 0);
  }
  std::ifstream in(audio, std::ios::binary);
  std::vector<float> mono;
  int16_t pair[2];
  while (in.read(reinterpret_cast<char*>(pair), sizeof pair)) {
    mono.push_back((pair[0] + pair[1]) / 65536.0f);
  }
  const int window = 220;
  float peak = 0;
  for (long at = 0; at + window <= static_cast<long>(mono.size()); at += window) {
    peak = std::max(peak, t::Rms(mono, at, window));
  }
  const long length = static_cast<long>(t::TestPiece::kLengthSeconds * 44100);
  long previous = t::FindOnset(mono, 0, window, 0.05f * peak, 0.25f * peak);
  std::printf("restart gap (disk audio driver, %d-frame blocks, poll every %d ms)\n",
              mci::MciOptions{}.chunk_frames, kPollMs);
  double worst = 0, sum = 0;
  int found = 0;
  for (int loop = 1; loop <= loops && previous >= 0; ++loop) {
    long end = previous + length;
    long onset = t::FindOnset(mono, end - 4410, window, 0.05f * peak, 0.25f * peak);
    if (onset < 0) break;
    double gap = 1000.0 * (onset - end) / 44100;
    std::printf("  loop %d: %.1f ms of audio after the last event\n", loop, gap);
    worst = std::max(worst, gap);
    sum += gap;
    ++found;
    previous = onset;
  }
  if (found > 0) std::printf("  mean %.1f ms, worst %.1f ms\n", sum / found, worst);
}

mci::MciOptions Options() {
  mci::MciOptions options;
  if (const char* frames = std::getenv("YOMITE_BENCH_BLOCK"))
    options.chunk_frames = std::atoi(frames);
  return options;
}

void Cpu(const std::string& dir, const char* what, const std::vector<uint8_t>& piece,
         double seconds, bool play = true) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  const std::string file = dir + "/bgm.mid";
  t::WriteFile(file, piece);
  mci::MciInterpreter m(Options());
  if (m.SendString(OpenCommand(file), nullptr, 0) != 0) {
    std::printf("CPU, %s: the music did not open\n", what);
    return;
  }
  if (play) m.SendString(u"play MIDI notify", nullptr, 0);
  double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  long polls = 0;
  while (Clock::now() - t0 < std::chrono::duration<double>(seconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    ++polls;
    if (Stopped(m) && play) {
      m.SendString(u"seek MIDI to start", nullptr, 0);
      m.SendString(u"play MIDI from 0", nullptr, 0);
    }
  }
  double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  double cpu = CpuSeconds() - cpu0;
  std::printf("CPU, %s: %.1f%% of one core over %.1f s (%ld status polls, every %d ms)\n", what,
              100.0 * cpu / wall, wall, polls, kPollMs);
}

void End(const std::string& dir, int rounds) {
  const std::string audio = dir + "/end.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
  const std::string file = dir + "/bgm.mid";
  t::WriteFile(file, t::HeldChord());
  std::vector<double> closes, devices, tails, last_ms;
  auto db = [](float rms) { return rms > 0 ? 20.0 * std::log10(rms) : -200.0; };
  for (int i = 0; i < rounds; ++i) {
    Clock::time_point t0, t1, t2;
    {
      mci::MciInterpreter m(Options());
      if (m.SendString(OpenCommand(file), nullptr, 0) != 0) {
        std::printf("End: the music did not open\n");
        return;
      }
      m.SendString(u"play MIDI notify", nullptr, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      t0 = Clock::now();
      m.SendString(u"close MIDI notify", nullptr, 0);
      t1 = Clock::now();
    }
    t2 = Clock::now();
    closes.push_back(Ms(t1 - t0));
    devices.push_back(Ms(t2 - t1));
    std::ifstream in(audio, std::ios::binary);
    std::vector<float> mono;
    int16_t pair[2];
    while (in.read(reinterpret_cast<char*>(pair), sizeof pair)) {
      mono.push_back((pair[0] + pair[1]) / 65536.0f);
    }
    long last = static_cast<long>(mono.size()) - 1;
    while (last >= 0 && mono[last] == 0.0f) --last;
    tails.push_back(db(t::Rms(mono, last - 440, 441)));
    last_ms.push_back(db(t::Rms(mono, last - 43, 44)));
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::vector<double> totals;
  for (size_t i = 0; i < closes.size(); ++i) totals.push_back(closes[i] + devices[i]);
  std::printf(
      "End (disk audio driver, %d-frame blocks, median of %d): close %.1f ms, device %.1f ms,\n"
      "  in all %.1f ms (longest %.1f ms),\n"
      "  the last 10 ms of sound at %.1f dBFS (RMS; loudest of the rounds %.1f), the last 1 ms at "
      "%.1f dBFS (loudest %.1f)\n",
      Options().chunk_frames, rounds, median(closes), median(devices), median(totals),
      *std::max_element(totals.begin(), totals.end()), median(tails),
      *std::max_element(tails.begin(), tails.end()), median(last_ms),
      *std::max_element(last_ms.begin(), last_ms.end()));
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  std::string dir =
      (std::filesystem::temp_directory_path() / ("yomite-bench-mci-" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(dir);
  StartUp(dir);
  RestartGap(dir, 5);
  Cpu(dir, "a two-note test piece", t::TestPiece::Bytes(), seconds);
  Cpu(dir, "a busy piece (chords, bass, drums)", BusyPiece(), seconds);
  Cpu(dir, "the music open but stopped", t::TestPiece::Bytes(), seconds, /*play=*/false);
  End(dir, 21);
  std::filesystem::remove_all(dir);
  return 0;
}
