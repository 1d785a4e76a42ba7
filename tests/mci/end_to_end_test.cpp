// The whole stack, SDL's audio device and FluidSynth included, on SDL's disk audio
// driver: the test plays its own piece the way the program does and then
// listens to what the device was given.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/mci/mci_errors.h"
#include "platform/mci/mci_interpreter.h"
#include "tests/mci/midi_builder.h"
#include "tests/mci/test_env.h"

namespace yomite::platform::mci {
namespace {

using mci_testing::FindOnset;
using mci_testing::Rms;
using mci_testing::ScopedEnv;
using mci_testing::ScratchDir;
using mci_testing::TestPiece;

constexpr int kRate = 44100;
constexpr int kWindow = 220;  // 5 ms

// Audio frames of 16-bit stereo written so far.
long FramesIn(const std::string& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<long>(size / 4);
}

std::vector<float> ReadMono(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  int16_t pair[2];
  std::vector<float> mono;
  while (in.read(reinterpret_cast<char*>(pair), sizeof pair)) {
    mono.push_back((pair[0] + pair[1]) / 65536.0f);
  }
  return mono;
}

TEST(MciEndToEnd, LoopsThePieceWithoutAGapAndFallsSilentOnClose) {
  ScratchDir dir;
  const std::string audio = dir.File("out.raw");
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", audio.c_str());
  mci_testing::WriteFile(dir.File("bgm.mid"), TestPiece::Bytes());

  std::vector<std::string> lines;
  MciOptions options;
  options.report_silence = [&](const std::string& line) { lines.push_back(line); };
  auto mci = std::make_unique<MciInterpreter>(options);
  auto send = [&](const char16_t* command) { return mci->SendString(command, nullptr, 0); };

  send(u"close MIDI notify");
  ASSERT_EQ(
      mci->SendString(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" alias MIDI", nullptr, 0),
      kOk)
      << (lines.empty() ? "" : lines[0]);
  ASSERT_EQ(send(u"play MIDI notify"), kOk);

  // The program's timer: poll the mode, restart on stopped. After the
  // second restart, go on until the second note of that loop has played.
  int restarts = 0;
  long stop_at = -1;
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while ((stop_at < 0 || FramesIn(audio) < stop_at) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    char16_t reply[16];
    std::fill(std::begin(reply), std::end(reply), u' ');
    mci->SendString(u"status MIDI mode", reply, 15);
    if (Text(reply, 7) == u"stopped") {
      send(u"seek MIDI to start");
      send(u"play MIDI from 0");
      if (++restarts == 2) stop_at = FramesIn(audio) + static_cast<long>(1.3 * kRate);
    }
  }
  ASSERT_EQ(send(u"close MIDI notify"), kOk);
  const long closed_at = FramesIn(audio);
  // The device runs on after the close: let it write the stretch checked
  // below, however far a busy machine makes it lag the wall clock.
  const long wanted = closed_at + 2 * 8192 + kRate / 5;
  const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (FramesIn(audio) < wanted && std::chrono::steady_clock::now() < patience) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  mci.reset();  // closes the device, which flushes the file

  EXPECT_GE(restarts, 2);
  std::vector<float> mono = ReadMono(audio);
  ASSERT_GT(static_cast<long>(mono.size()), closed_at);

  float peak = 0;
  for (long at = 0; at + kWindow <= closed_at; at += kWindow) {
    peak = std::max(peak, Rms(mono, at, kWindow));
  }
  ASSERT_GT(peak, 0.01f) << "the music was silent";
  const float off = 0.05f * peak, on = 0.25f * peak;

  // The first sound: the device may start with the piece's first note, or
  // with a few blocks of silence before the player is handed to it.
  long start = 0;
  while (start < closed_at && std::fabs(mono[start]) <= off) ++start;
  ASSERT_GE(start, 0);
  const long length = static_cast<long>(TestPiece::kLengthSeconds * kRate);
  const long second_note = static_cast<long>(TestPiece::kSecondNoteSeconds * kRate);
  // Sound while the piece plays: both notes are there.
  EXPECT_GT(Rms(mono, start, kRate / 4), 0.2f * peak);
  EXPECT_GT(Rms(mono, start + second_note, kRate / 4), 0.2f * peak);

  long previous = start;
  for (int loop = 1; loop <= 2; ++loop) {
    SCOPED_TRACE(loop);
    const long end = previous + length;  // the piece's last event
    const long onset = FindOnset(mono, end - kRate / 10, kWindow, off, on);
    ASSERT_GE(onset, 0);
    const double gap_ms = 1000.0 * (onset - end) / kRate;
    std::printf("restart %d: the piece starts again %.1f ms of audio after its last event\n", loop,
                gap_ms);
    RecordProperty("restart_gap_ms_" + std::to_string(loop), std::to_string(gap_ms));
    EXPECT_GE(gap_ms, -5.0);
    EXPECT_LE(gap_ms, 50.0);
    // It starts from the beginning: the second note follows as it did at first.
    const long next = FindOnset(mono, onset + kRate / 2, kWindow, off, on);
    EXPECT_NEAR(next - onset, second_note, 3 * kWindow);
    previous = onset;
  }

  // After close: nothing at all. The file lags the device by what stdio
  // buffers and one block, so the silence is checked from a little later.
  const long silent_from = closed_at + 8192;
  ASSERT_GT(static_cast<long>(mono.size()), silent_from + kRate / 5);
  float loudest = 0;
  for (long i = silent_from; i < static_cast<long>(mono.size()); ++i) {
    loudest = std::max(loudest, std::fabs(mono[i]));
  }
  EXPECT_EQ(loudest, 0.0f);
  // And it had been sounding right up to the close.
  EXPECT_GT(Rms(mono, closed_at - kRate / 2, kRate / 2), 0.1f * peak);
  EXPECT_TRUE(lines.empty());
}

// End closes the music the way the program does: "close MIDI" while a
// chord sounds, then the interpreter goes, and the device with it. What the
// device was handed last must be the fade, ending far below the chord, and
// not the chord cut off. How long it took is printed; its bound only
// catches a hang.
TEST(MciEndToEnd, EndFadesTheMusicOutBeforeTheDeviceCloses) {
  ScratchDir dir;
  const std::string audio = dir.File("end.raw");
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", audio.c_str());
  mci_testing::WriteFile(dir.File("bgm.mid"), mci_testing::HeldChord());
  using Ms = std::chrono::duration<double, std::milli>;
  // A few rounds: where the close falls within the device's block differs.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::string> lines;
    MciOptions options;
    options.report_silence = [&](const std::string& line) { lines.push_back(line); };
    auto mci = std::make_unique<MciInterpreter>(options);
    ASSERT_EQ(
        mci->SendString(u"open \"" + FromUtf8(dir.File("bgm.mid")) + u"\" alias MIDI", nullptr, 0),
        kOk)
        << (lines.empty() ? "" : lines[0]);
    ASSERT_EQ(mci->SendString(u"play MIDI notify", nullptr, 0), kOk);
    const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (FramesIn(audio) < kRate / 2 && std::chrono::steady_clock::now() < patience) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(mci->SendString(u"close MIDI notify", nullptr, 0), kOk);
    const auto closed = std::chrono::steady_clock::now();
    mci.reset();
    const auto gone = std::chrono::steady_clock::now();
    std::printf("closing the music: close %.1f ms, then the device %.1f ms, %.1f ms in all\n",
                Ms(closed - start).count(), Ms(gone - closed).count(), Ms(gone - start).count());
    RecordProperty("end_close_ms_" + std::to_string(round),
                   std::to_string(Ms(gone - start).count()));
    EXPECT_LT(gone - start, std::chrono::seconds(2));

    const std::vector<float> mono = ReadMono(audio);
    long last = static_cast<long>(mono.size()) - 1;
    while (last >= 0 && mono[last] == 0.0f) --last;
    ASSERT_GT(last, kRate / 2) << "the chord was not heard";
    // The chord as it sounded just before the close, and the last
    // millisecond of sound: 20 dB down at least (some 35 dB with the fade,
    // none when the chord is cut).
    const float chord = Rms(mono, last - kRate / 10, kRate / 20);
    const float final_ms = Rms(mono, last - kRate / 1000 + 1, kRate / 1000);
    std::printf("  the chord at %.1f dBFS, the last 1 ms of sound at %.1f dBFS\n",
                20 * std::log10(chord), 20 * std::log10(std::max(final_ms, 1e-9f)));
    ASSERT_GT(chord, 0.01f) << "the chord was not heard";
    EXPECT_LT(final_ms, 0.1f * chord) << "the music stopped without fading out";
    EXPECT_TRUE(lines.empty());
  }
}

}  // namespace
}  // namespace yomite::platform::mci
