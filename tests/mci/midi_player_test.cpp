// The sequencer rendered offline, block by block, with no audio device:
// where the piece ends, how the restart follows, and what the controls do.
#include "platform/mci/midi_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "platform/mci/soundfont_search.h"
#include "tests/mci/midi_builder.h"

namespace yomite::platform::mci {
namespace {

using mci_testing::BuildMidiFile;
using mci_testing::FindOnset;
using mci_testing::Rms;
using mci_testing::TestPiece;
using mci_testing::TrackBuilder;
using Mode = MidiPlayer::Mode;

constexpr double kRate = 44100;
constexpr int kBlock = 512;
constexpr int kWindow = 220;  // 5 ms

class OfflinePlayer {
 public:
  explicit OfflinePlayer(const std::vector<uint8_t>& bytes, SynthOptions options = {}) {
    auto read = midi::ReadStandardMidiFile(bytes);
    if (auto* why = std::get_if<midi::MidiRefusal>(&read)) {
      ADD_FAILURE() << why->message;
      return;
    }
    std::string why;
    player = MidiPlayer::Create(std::get<midi::MidiSequence>(read), DefaultSoundFontSearchPath(),
                                kRate, &why, options);
    if (!player) skip_reason = why;
  }

  void Block(int frames = kBlock) {
    float buffer[2 * kBlock];
    player->Render(buffer, frames);
    for (int i = 0; i < frames; ++i) mono.push_back(0.5f * (buffer[2 * i] + buffer[2 * i + 1]));
  }
  void RenderSeconds(double seconds) {
    while (mono.size() < start_of_run() + seconds * kRate) Block();
  }
  size_t start_of_run() const { return run_start; }
  void NewRun() { run_start = mono.size(); }
  // The loudest 5 ms window.
  float Peak() const {
    float peak = 0;
    for (long at = 0; at + kWindow <= static_cast<long>(mono.size()); at += kWindow) {
      peak = std::max(peak, Rms(mono, at, kWindow));
    }
    return peak;
  }

  std::unique_ptr<MidiPlayer> player;
  std::string skip_reason;
  std::vector<float> mono;
  size_t run_start = 0;
};

#define SKIP_WITHOUT_SOUNDFONT(p) \
  if (!(p).player) GTEST_SKIP() << (p).skip_reason

long Seconds(double s) { return std::lround(s * kRate); }

TEST(MidiPlayer, TheModeReadsStoppedInTheBlockThatPassesTheLastEvent) {
  OfflinePlayer p(TestPiece::Bytes());
  SKIP_WITHOUT_SOUNDFONT(p);
  EXPECT_EQ(p.player->length(), static_cast<uint64_t>(Seconds(TestPiece::kLengthSeconds)));
  EXPECT_EQ(p.player->mode(), Mode::kStopped);
  p.player->Play(std::nullopt, std::nullopt);
  EXPECT_EQ(p.player->mode(), Mode::kPlaying);
  long stopped_at = -1;
  while (p.mono.size() < static_cast<size_t>(Seconds(4))) {
    p.Block();
    if (p.player->mode() == Mode::kStopped) {
      stopped_at = static_cast<long>(p.mono.size());
      break;
    }
  }
  long length = static_cast<long>(p.player->length());
  EXPECT_GE(stopped_at, length);
  EXPECT_LT(stopped_at, length + kBlock);
  EXPECT_EQ(p.player->position(), p.player->length());
}

TEST(MidiPlayer, ARestartOnStoppedBeginsThePieceWithinOneBlockOfItsEnd) {
  OfflinePlayer p(TestPiece::Bytes());
  SKIP_WITHOUT_SOUNDFONT(p);
  p.Block();  // a stopped player renders silence: the first onset has a quiet lead-in
  p.player->Play(std::nullopt, std::nullopt);
  std::vector<long> restarts;
  while (p.mono.size() < static_cast<size_t>(kBlock + Seconds(4.0))) {
    p.Block();
    // What the music module does on each tick.
    if (p.player->mode() == Mode::kStopped) {
      restarts.push_back(static_cast<long>(p.mono.size()));
      p.player->Seek(0);
      p.player->Play(0, std::nullopt);
    }
  }
  ASSERT_EQ(restarts.size(), 2u);
  float peak = p.Peak();
  float off = 0.05f * peak, on = 0.25f * peak;
  long first = FindOnset(p.mono, 0, kWindow, off, on);
  ASSERT_GE(first, kBlock);
  EXPECT_LT(first, kBlock + Seconds(0.01));
  long length = Seconds(TestPiece::kLengthSeconds);
  long previous = first;
  for (int loop = 1; loop <= 2; ++loop) {
    SCOPED_TRACE(loop);
    long expected = previous + length;
    long onset = FindOnset(p.mono, expected - Seconds(0.1), kWindow, off, on);
    ASSERT_GE(onset, 0) << "expected near " << expected << " of " << p.mono.size() << ", peak "
                        << peak << ", level there "
                        << Rms(p.mono, expected - Seconds(0.1), kWindow);
    EXPECT_GE(onset, expected - kWindow);
    EXPECT_LE(onset, expected + kBlock + kWindow);
    // From the beginning: the second note follows 0.75 s later, as it did
    // the first time.
    long second = FindOnset(p.mono, onset + Seconds(0.5), kWindow, off, on);
    long first_second = FindOnset(p.mono, first + Seconds(0.5), kWindow, off, on);
    EXPECT_NEAR(second - onset, first_second - first, kWindow);
    EXPECT_NEAR(second - onset, Seconds(TestPiece::kSecondNoteSeconds), 2 * kWindow);
    previous = onset;
  }
}

TEST(MidiPlayer, PauseReleasesTheNotesAndResumeGoesOnFromThere) {
  OfflinePlayer p(TestPiece::Bytes());
  SKIP_WITHOUT_SOUNDFONT(p);
  p.player->Play(std::nullopt, std::nullopt);
  p.RenderSeconds(0.2);  // inside the first note
  p.player->Pause();
  EXPECT_EQ(p.player->mode(), Mode::kPaused);
  uint64_t paused_at = p.player->position();
  EXPECT_EQ(paused_at, p.mono.size());
  float playing = Rms(p.mono, Seconds(0.1), Seconds(0.1));
  p.NewRun();
  p.RenderSeconds(0.6);
  EXPECT_EQ(p.player->position(), paused_at);
  EXPECT_LT(Rms(p.mono, static_cast<long>(p.mono.size()) - Seconds(0.1), Seconds(0.1)),
            0.05f * playing);

  p.player->Resume();
  EXPECT_EQ(p.player->mode(), Mode::kPlaying);
  long resumed = static_cast<long>(p.mono.size());
  p.NewRun();
  p.RenderSeconds(1.6);
  EXPECT_EQ(p.player->mode(), Mode::kStopped);
  // The second note comes 0.75 s after the start of the piece, so
  // 0.75 s - 0.2 s after the resume.
  long onset = FindOnset(p.mono, resumed, kWindow, 0.05f * playing, 0.25f * playing);
  EXPECT_NEAR(onset - resumed, static_cast<long>(Seconds(0.75) - paused_at), 2 * kWindow);
}

TEST(MidiPlayer, StopKeepsThePositionSeekMovesItAndPlayToStopsThere) {
  OfflinePlayer p(TestPiece::Bytes());
  SKIP_WITHOUT_SOUNDFONT(p);
  p.player->Play(std::nullopt, std::nullopt);
  p.RenderSeconds(0.3);
  p.player->Stop();
  EXPECT_EQ(p.player->mode(), Mode::kStopped);
  uint64_t stopped_at = p.player->position();
  p.Block();
  EXPECT_EQ(p.player->position(), stopped_at);
  p.player->Play(std::nullopt, std::nullopt);
  p.Block();
  EXPECT_EQ(p.player->position(), stopped_at + kBlock);

  p.player->Seek(Seconds(1.0));
  EXPECT_EQ(p.player->mode(), Mode::kStopped);
  EXPECT_EQ(p.player->position(), static_cast<uint64_t>(Seconds(1.0)));
  p.player->Seek(Seconds(99));  // past the end: the end
  EXPECT_EQ(p.player->position(), p.player->length());

  p.player->Play(0, Seconds(0.5));
  while (p.player->mode() == Mode::kPlaying && p.mono.size() < static_cast<size_t>(Seconds(5))) {
    p.Block();
  }
  EXPECT_EQ(p.player->position(), static_cast<uint64_t>(Seconds(0.5)));
}

TEST(MidiPlayer, SeekingPastControllerEventsAppliesThem) {
  // The piece mutes its channel at the start and plays a note at 0.5 s.
  // Jumping over the mute must still mute the note.
  TrackBuilder t;
  t.Event(0, {0xC0, 80})
      .Event(0, {0xB0, 7, 0})
      .Event(480, {0x90, 72, 120})
      .Event(240, {0x80, 72, 0});
  t.EndOfTrack(240);
  OfflinePlayer p(BuildMidiFile(0, 480, {t}));
  SKIP_WITHOUT_SOUNDFONT(p);
  p.player->Seek(Seconds(0.25));
  p.player->Play(std::nullopt, std::nullopt);
  p.RenderSeconds(1.0);
  float muted = Rms(p.mono, 0, static_cast<long>(p.mono.size()));

  // The same note without the mute.
  TrackBuilder loud;
  loud.Event(0, {0xC0, 80}).Event(480, {0x90, 72, 120}).Event(240, {0x80, 72, 0}).EndOfTrack(240);
  OfflinePlayer q(BuildMidiFile(0, 480, {loud}));
  q.player->Seek(Seconds(0.25));
  q.player->Play(std::nullopt, std::nullopt);
  q.RenderSeconds(1.0);
  float sounding = Rms(q.mono, 0, static_cast<long>(q.mono.size()));
  EXPECT_GT(sounding, 0.005f);
  EXPECT_LT(muted, 0.001f * sounding);
}

TEST(MidiPlayer, NotesHeldAtTheEndAreReleased) {
  // A held pedal and a note that is never switched off would ring on for
  // ever on a looping instrument such as the square lead.
  TrackBuilder t;
  t.Event(0, {0xC0, 80})
      .Event(0, {0x90, 72, 120})
      .Event(0, {0xB0, 64, 127})
      .Event(0, {0x90, 76, 120})
      .Event(96, {0x80, 72, 0})
      .EndOfTrack(96);  // 76 never ends; 72 is held by the pedal
  OfflinePlayer p(BuildMidiFile(0, 96, {t}));
  SKIP_WITHOUT_SOUNDFONT(p);
  p.player->Play(std::nullopt, std::nullopt);
  p.RenderSeconds(3.0);
  EXPECT_EQ(p.player->mode(), Mode::kStopped);
  float sounding = Rms(p.mono, Seconds(0.2), Seconds(0.2));
  EXPECT_GT(sounding, 0.005f);
  EXPECT_LT(Rms(p.mono, Seconds(2.5), Seconds(0.5)), 0.01f * sounding);
}

TEST(MidiPlayer, APieceOfNoLengthStopsAtOnce) {
  TrackBuilder t;
  t.EndOfTrack(0);
  OfflinePlayer p(BuildMidiFile(0, 96, {t}));
  SKIP_WITHOUT_SOUNDFONT(p);
  EXPECT_EQ(p.player->length(), 0u);
  p.player->Play(0, std::nullopt);
  p.Block();
  EXPECT_EQ(p.player->mode(), Mode::kStopped);
  EXPECT_EQ(p.player->position(), 0u);
}

// Renders one long block (two seconds of audio, some tens of milliseconds
// of work) on another thread and runs ui while it is in flight.
void WhileABlockRenders(MidiPlayer& player, const std::function<void()>& ui) {
  std::vector<float> buffer(2 * 2 * static_cast<size_t>(kRate));
  std::atomic<bool> started{false};
  std::thread audio([&] {
    started = true;
    player.Render(buffer.data(), static_cast<int>(buffer.size() / 2));
  });
  while (!started) std::this_thread::yield();
  // The block reads the controls first thing; give it time to get there.
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  ui();
  audio.join();
}

TEST(MidiPlayer, ABlockInFlightNeverUndoesWhatTheUiDid) {
  OfflinePlayer p(TestPiece::Bytes());
  SKIP_WITHOUT_SOUNDFONT(p);
  const uint64_t length = p.player->length();
  // A loaded machine may let a block start late and miss the race, which
  // only hides a fault; ten rounds make catching one nearly certain.
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    // A seek while a block plays on: the new position stays.
    p.player->Play(0, std::nullopt);
    const uint64_t target = 1000 + 3000 * i;
    WhileABlockRenders(*p.player, [&] { p.player->Seek(target); });
    EXPECT_EQ(p.player->position(), target);
    EXPECT_EQ(p.player->mode(), Mode::kStopped);

    // The restart of the music module while the block that passes the end
    // is in flight: that end must not stop the restarted piece.
    p.player->Play(length - 10, std::nullopt);
    WhileABlockRenders(*p.player, [&] {
      p.player->Seek(0);
      p.player->Play(0, std::nullopt);
    });
    EXPECT_EQ(p.player->mode(), Mode::kPlaying);
    EXPECT_EQ(p.player->position(), 0u);
  }
}

// A piece long enough to be replayed: a piano note on every beat at 120 a
// minute for 10.5 s, ending on a chord held to the end, whose release and
// reverb ring on into the restart. The chord holds the piece's first key.
std::vector<uint8_t> ReplayedPiece() {
  TrackBuilder t;
  t.Tempo(0, 500000).Event(0, {0xC0, 0});
  const uint8_t keys[4] = {60, 64, 67, 72};
  for (int beat = 0; beat < 20; ++beat) {
    t.Event(beat == 0 ? 0 : 240, {0x90, keys[beat % 4], 90}).Event(240, {0x80, keys[beat % 4], 0});
  }
  t.Event(0, {0x90, 60, 100}).Event(0, {0x90, 67, 100}).Event(0, {0x90, 76, 100});
  return BuildMidiFile(0, 480, {t.EndOfTrack(480)});
}

// Plays on for seconds, restarting the piece the music module's way after
// every block that ends it.
void PlayLooping(OfflinePlayer& p, double seconds, int* restarts = nullptr) {
  const size_t until = p.mono.size() + static_cast<size_t>(seconds * kRate);
  while (p.mono.size() < until) {
    p.Block();
    if (p.player->mode() == Mode::kStopped) {
      p.player->Seek(0);
      p.player->Play(0, std::nullopt);
      if (restarts) ++*restarts;
    }
  }
}

double Seconds(uint64_t frames) { return static_cast<double>(frames) / kRate; }

TEST(MidiPlayer, LaterLoopsReplayTheFirstAndSoundAsTheSynthesizerWould) {
  // FluidSynth's reverb modulates its delays: the same notes a loop later
  // leave a reverb of another phase. Without it the sound can be compared.
  SynthOptions dry;
  dry.reverb = false;
  OfflinePlayer synthesized(ReplayedPiece(), dry), replayed(ReplayedPiece(), dry);
  SKIP_WITHOUT_SOUNDFONT(replayed);
  synthesized.player->DisableReplay();
  const double loop = Seconds(replayed.player->length());
  ASSERT_GE(loop, MidiPlayer::kMinReplaySeconds);
  int restarts = 0;
  for (OfflinePlayer* p : {&synthesized, &replayed}) {
    p->player->Play(std::nullopt, std::nullopt);
    PlayLooping(*p, 3.5 * loop, p == &replayed ? &restarts : nullptr);
  }
  ASSERT_EQ(restarts, 3);

  // Sample for sample the same sound, loop points and tails included; what
  // differs is the recording's 16-bit rounding and the tail's last whisper,
  // cut off below hearing.
  ASSERT_EQ(synthesized.mono.size(), replayed.mono.size());
  double signal = 0, difference = 0;
  for (size_t i = 0; i < synthesized.mono.size(); ++i) {
    double d = double{synthesized.mono[i]} - replayed.mono[i];
    signal += double{synthesized.mono[i]} * synthesized.mono[i];
    difference += d * d;
  }
  ASSERT_GT(signal, 0);
  EXPECT_LT(std::sqrt(difference / signal), 0.003) << "-50 dB";

  // The synthesizer rendered the first loop and the tail of its end, then
  // nothing more.
  const uint64_t heard = static_cast<uint64_t>(replayed.mono.size());
  EXPECT_EQ(synthesized.player->synthesized_frames(), heard);
  const double synthesized_seconds = Seconds(replayed.player->synthesized_frames());
  EXPECT_GT(synthesized_seconds, loop);
  EXPECT_LT(synthesized_seconds, loop + MidiPlayer::kMaxTailSeconds);
}

TEST(MidiPlayer, AControlDuringAReplayHandsTheSoundBackToTheSynthesizer) {
  OfflinePlayer p(ReplayedPiece());
  SKIP_WITHOUT_SOUNDFONT(p);
  const uint64_t length = p.player->length();
  p.player->Play(std::nullopt, std::nullopt);
  PlayLooping(p, Seconds(length) + 3.25);  // into the first replay, between two beats
  const uint64_t synthesized = p.player->synthesized_frames();
  PlayLooping(p, 0.5);
  ASSERT_EQ(p.player->synthesized_frames(), synthesized) << "not replaying";

  // Paused: the replayed notes fade out at once instead of stopping dead.
  const float before = Rms(p.mono, static_cast<long>(p.mono.size()) - kWindow, kWindow);
  ASSERT_GT(before, 0.01f);
  p.player->Pause();
  p.NewRun();
  p.RenderSeconds(0.5);
  EXPECT_LT(std::fabs(p.mono[p.start_of_run()]), 2 * before) << "a click";
  EXPECT_LT(Rms(p.mono, static_cast<long>(p.start_of_run()) + Seconds(0.015), kWindow),
            0.1f * before);
  EXPECT_EQ(p.player->synthesized_frames(), synthesized);

  // Resumed: the synthesizer goes on from the same place, with its next beat.
  const uint64_t at = p.player->position();
  p.player->Resume();
  p.NewRun();
  p.RenderSeconds(0.5);
  EXPECT_GT(p.player->synthesized_frames(), synthesized);
  EXPECT_GE(p.player->position(), at + static_cast<uint64_t>(Seconds(0.5)) - kBlock);
  long beat = FindOnset(p.mono, static_cast<long>(p.start_of_run()), kWindow, 0.002f, 0.01f);
  ASSERT_GE(beat, 0);
  EXPECT_LT(beat - static_cast<long>(p.start_of_run()), Seconds(0.3));

  // Played to its end and restarted, the piece is replayed again: once the
  // synthesizer's own tail has died away, it falls idle.
  PlayLooping(p, Seconds(length) - Seconds(at) + MidiPlayer::kMaxTailSeconds);
  const uint64_t idle = p.player->synthesized_frames();
  PlayLooping(p, 1.0);
  EXPECT_EQ(p.player->synthesized_frames(), idle);
  EXPECT_GT(Rms(p.mono, static_cast<long>(p.mono.size()) - Seconds(1.0), Seconds(1.0)), 0.01f);
}

// A hostile piece: more events due at once than any music has. The
// synthesizer takes the budget of each block and the rest are dropped, so a
// block costs the same however many there are.
TEST(MidiPlayer, AFloodAtOneInstantReachesTheSynthesizerOnlyUpToTheBudget) {
  constexpr size_t kNotes = 300'000;
  OfflinePlayer p(mci_testing::NoteFlood(kNotes, 0));
  SKIP_WITHOUT_SOUNDFONT(p);
  p.player->Play(std::nullopt, std::nullopt);
  const auto start = std::chrono::steady_clock::now();
  p.Block(MidiPlayer::kBudgetFrames);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(p.player->dropped_events(), kNotes - MidiPlayer::kMaxEventsPerBudget);
  EXPECT_EQ(p.player->mode(), Mode::kStopped);  // the piece lasts no time at all
}

TEST(MidiPlayer, AZeroLengthFloodRestartedOnEveryBlockCostsEachBlockOnlyItsBudget) {
  constexpr size_t kNotes = 100'000;
  constexpr int kBlocks = 200;
  OfflinePlayer p(mci_testing::NoteFlood(kNotes, 0));
  SKIP_WITHOUT_SOUNDFONT(p);
  const auto start = std::chrono::steady_clock::now();
  int restarts = 0;
  for (int i = 0; i < kBlocks; ++i) {
    // What the music module does on each tick, here as often as it could.
    for (int k = 0; k < 3 && p.player->mode() == Mode::kStopped; ++k) {
      p.player->Seek(0);
      p.player->Play(0, std::nullopt);
    }
    if (p.player->mode() == Mode::kPlaying) ++restarts;
    p.Block(MidiPlayer::kBudgetFrames);
    ASSERT_EQ(p.player->mode(), Mode::kStopped);
  }
  // Unbounded, each restart would hand all the notes over again: minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(restarts, kBlocks);
  EXPECT_EQ(p.player->dropped_events(),
            uint64_t{kBlocks} * (kNotes - MidiPlayer::kMaxEventsPerBudget));
}

TEST(MidiPlayer, SeekingPastAFloodOfControllersReplaysOnlyTheBudget) {
  constexpr int kChanges = 5000;
  TrackBuilder t;
  t.Event(0, {0xB0, 7, 100});
  for (int i = 1; i < kChanges; ++i) t.Event(0, {7, static_cast<uint8_t>(i % 128)});
  t.Event(480, {0x90, 72, 100}).Event(480, {0x80, 72, 0});
  t.EndOfTrack(0);
  OfflinePlayer p(BuildMidiFile(0, 480, {t}));
  SKIP_WITHOUT_SOUNDFONT(p);
  p.player->Seek(Seconds(0.25));
  p.player->Play(std::nullopt, std::nullopt);
  p.Block(MidiPlayer::kBudgetFrames);
  EXPECT_EQ(p.player->dropped_events(),
            static_cast<uint64_t>(kChanges - MidiPlayer::kMaxEventsPerBudget));
  EXPECT_EQ(p.player->position(), static_cast<uint64_t>(Seconds(0.25)) + MidiPlayer::kBudgetFrames);
  // The piece goes on from there as usual.
  p.RenderSeconds(0.5);
  EXPECT_EQ(p.player->dropped_events(),
            static_cast<uint64_t>(kChanges - MidiPlayer::kMaxEventsPerBudget));
}

}  // namespace
}  // namespace yomite::platform::mci
