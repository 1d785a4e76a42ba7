// The audio thread must never wait for the disk: a program change in the
// middle of a piece finds its instrument in memory. This executable exports
// its own open, read and stdio functions (it is linked with its symbols
// exported), so FluidSynth and the libraries it loads call them first; they
// count what SDL's audio threads ask for and hand every call on to the C
// library.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/mci/mci_errors.h"
#include "platform/mci/mci_interpreter.h"
#include "tests/mci/midi_builder.h"
#include "tests/mci/test_env.h"

namespace {

std::atomic<int> audio_opens{0};
std::atomic<int> audio_reads{0};
std::atomic<int> soundfont_opens{0};  // by any thread: shows the counting works
std::atomic<bool> counting{false};

bool OnAudioThread() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return std::strncmp(name, "SDLAudio", 8) == 0;
}

void CountOpen(const char* path) {
  if (!counting.load()) return;
  if (path != nullptr && std::strstr(path, ".sf") != nullptr) ++soundfont_opens;
  if (OnAudioThread()) ++audio_opens;
}

void CountRead() {
  if (counting.load() && OnAudioThread()) ++audio_reads;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t ModeOf(int flags, va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  CountOpen(path);
  static auto real = Next<int (*)(const char*, int, ...)>("open");
  return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  CountOpen(path);
  static auto real = Next<int (*)(const char*, int, ...)>("open64");
  return real(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  CountOpen(path);
  static auto real = Next<int (*)(int, const char*, int, ...)>("openat");
  return real(dir, path, flags, mode);
}

FILE* fopen(const char* path, const char* mode) {
  CountOpen(path);
  static auto real = Next<FILE* (*)(const char*, const char*)>("fopen");
  return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  CountOpen(path);
  static auto real = Next<FILE* (*)(const char*, const char*)>("fopen64");
  return real(path, mode);
}

ssize_t read(int fd, void* buffer, size_t count) {
  CountRead();
  static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  return real(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t at) {
  CountRead();
  static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  return real(fd, buffer, count, at);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t at) {
  CountRead();
  static auto real = Next<ssize_t (*)(int, void*, size_t, off64_t)>("pread64");
  return real(fd, buffer, count, at);
}

size_t fread(void* buffer, size_t size, size_t count, FILE* file) {
  CountRead();
  static auto real = Next<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
  return real(buffer, size, count, file);
}

}  // extern "C"

namespace yomite::platform::mci {
namespace {

using mci_testing::BuildMidiFile;
using mci_testing::ScopedEnv;
using mci_testing::ScratchDir;
using mci_testing::TrackBuilder;

// Three seconds at 120 beats a minute, 480 ticks a quarter: a melody whose
// instrument changes at 1 s and 2 s (a bank select with the second), a bass
// that changes at 2 s, and drums throughout.
std::vector<uint8_t> ChangingPiece() {
  TrackBuilder melody;
  melody
      .Event(0, {0xC0, 0})  // piano
      .Event(0, {0x90, 72, 100})
      .Event(960, {0x80, 72, 0})
      .Event(0, {0xC0, 40})  // violin at 1 s
      .Event(0, {0x90, 74, 100})
      .Event(960, {0x80, 74, 0})
      .Event(0, {0xB0, 0, 8})  // a variation bank, then the flute at 2 s
      .Event(0, {0xC0, 73})
      .Event(0, {0x90, 76, 100})
      .Event(960, {0x80, 76, 0})
      .EndOfTrack(0);
  TrackBuilder bass;
  bass.Event(0, {0xC1, 32})
      .Event(0, {0x91, 40, 100})
      .Event(1920, {0x81, 40, 0})
      .Event(0, {0xC1, 56})  // trumpet at 2 s
      .Event(0, {0x91, 52, 100})
      .Event(960, {0x81, 52, 0})
      .EndOfTrack(0);
  TrackBuilder drums;
  for (int beat = 0; beat < 6; ++beat) {
    drums.Event(beat == 0 ? 0 : 240, {0x99, 36, 110}).Event(240, {0x89, 36, 0});
  }
  drums.EndOfTrack(0);
  return BuildMidiFile(1, 480, {melody, bass, drums});
}

TEST(AudioThreadIo, AProgramChangingPieceReadsNoFileOnTheAudioThread) {
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  ScratchDir dir;
  mci_testing::WriteFile(dir.File("bgm.mid"), ChangingPiece());
  std::vector<std::string> lines;
  MciOptions options;
  options.start_later = true;
  options.report_silence = [&](const std::string& line) { lines.push_back(line); };
  MciInterpreter mci(options);
  ASSERT_EQ(
      mci.SendString(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" alias MIDI", nullptr, 0),
      kOk);
  counting = true;
  mci.StartPending();
  if (!lines.empty()) {
    counting = false;
    GTEST_SKIP() << lines.front();
  }
  ASSERT_EQ(mci.SendString(u"play MIDI notify", nullptr, 0), kOk);
  // The dummy driver pulls the sound in real time: the whole piece plays.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    char16_t reply[16] = {};
    mci.SendString(u"status MIDI mode", reply, 15);
    ended = Text(reply).starts_with(u"stopped");
  }
  mci.SendString(u"close MIDI notify", nullptr, 0);
  counting = false;
  EXPECT_TRUE(ended);
  EXPECT_GT(soundfont_opens.load(), 0) << "the soundfont was read without our functions";
  EXPECT_EQ(audio_opens.load(), 0);
  EXPECT_EQ(audio_reads.load(), 0);
  EXPECT_TRUE(lines.empty()) << lines.front();
}

}  // namespace
}  // namespace yomite::platform::mci
