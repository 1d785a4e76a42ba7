// A MIDI sequencer of our own on a FluidSynth synthesizer.
//
// The sequencer, not the synthesizer, decides where the piece ends: at its
// last event. The release and reverb tails of the last notes keep sounding
// after that, while the mode already reads stopped, so a restart from the
// top follows the end of the piece at once.
//
// A looped piece is synthesized once. The first time it plays through from
// its first frame, from a silent synthesizer, its sound is recorded, and
// after its end the tail its last notes leave. Every later run from the
// first frame to the end plays the recording, with the recorded tail after
// it, and leaves the synthesizer idle. Any other control hands the sound
// back to the synthesizer at the same place. The synthesizer is not run at
// all while it has nothing left to sound.
//
// Threads: the control methods (Play, Stop, Pause, Resume, Seek and the
// queries) are called from one thread, the UI thread; Render from the audio
// thread. They share only the small control block guarded by mutex_, which
// neither side holds while the synthesizer renders, and which the audio
// thread only tries to take: it never waits. The synthesizer itself
// is touched by one thread at a time: by Create before the player is handed
// to the audio thread, by Render afterwards.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/mci/peak_limiter.h"
#include "platform/mci/sound_take.h"
#include "platform/midi/standard_midi_file.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace yomite::platform::mci {

struct FluidSynthLibrary;

struct SynthOptions {
  bool reverb = true;
};

class MidiPlayer {
 public:
  enum class Mode { kStopped, kPlaying, kPaused };

  // A player for the sequence at sample_rate frames a second, with the first
  // of the soundfonts that loads. On failure returns null and sets *why.
  static std::unique_ptr<MidiPlayer> Create(const midi::MidiSequence& sequence,
                                            const std::vector<std::string>& soundfonts,
                                            double sample_rate, std::string* why,
                                            SynthOptions options = {});
  // A player whose controls and queries work at once, with no synthesizer
  // yet: it renders silence and its position stands still until
  // StartSynth has succeeded.
  static std::unique_ptr<MidiPlayer> CreateWithoutSynth(const midi::MidiSequence& sequence,
                                                        double sample_rate);
  // Loads the first of the soundfonts that loads into a new synthesizer
  // running at sample_rate, which may differ from the rate the player was
  // made for: positions keep their time. On failure returns false and sets
  // *why. Not while an audio thread renders this player.
  bool StartSynth(const std::vector<std::string>& soundfonts, double sample_rate, std::string* why,
                  SynthOptions options = {});

  // The synthesizer's gain (FluidSynth's synth.gain).
  static constexpr double kSynthGain = 2.5;
  // Shorter pieces would be outlasted by their tails; longer ones would
  // cost too much memory (10 MB a minute): both are always synthesized.
  static constexpr double kMinReplaySeconds = 10.0;
  static constexpr double kMaxReplaySeconds = 90.0;
  static constexpr double kMaxTailSeconds = 8.0;
  // The synthesizer's work in one block is bounded, whatever the piece:
  // at most this many events reach it for every kBudgetFrames frames
  // rendered, some 88,000 a second at 44.1 kHz. A MIDI cable carries about
  // a thousand; a General MIDI set-up of all sixteen channels at once is
  // some two hundred. A note costs the synthesizer about 5 us, so a block
  // that spends the whole budget still renders in under half its time.
  // Events due beyond it are dropped, and dropped_events() says so.
  static constexpr int kMaxEventsPerBudget = 512;
  static constexpr int kBudgetFrames = 256;
  // Instrument selections (program changes under distinct bank settings,
  // and system exclusive messages) made before playback to read the
  // instruments they select; a real piece makes tens.
  static constexpr int kMaxPinnedSelections = 10000;
  // Voices the synthesizer sounds at once, at most.
  static constexpr int kMaxVoices = 256;
  // Events dropped so far; from any thread.
  uint64_t dropped_events() const { return dropped_.load(std::memory_order_relaxed); }

  // Always synthesizes. Before the first Render.
  void DisableReplay();
  // Frames the synthesizer has rendered so far; from any thread.
  uint64_t synthesized_frames() const { return synthesized_.load(std::memory_order_relaxed); }
  ~MidiPlayer();
  MidiPlayer(const MidiPlayer&) = delete;
  MidiPlayer& operator=(const MidiPlayer&) = delete;

  // Positions are in frames. Play starts at from (or the current position)
  // and stops at to (or the end of the piece); Seek stops and moves.
  void Play(std::optional<uint64_t> from, std::optional<uint64_t> to);
  void Stop();
  void Pause();
  void Resume();
  void Seek(uint64_t frame);

  Mode mode() const;
  uint64_t position() const;
  uint64_t length() const { return length_; }
  double sample_rate() const { return sample_rate_; }
  const std::string& soundfont() const { return soundfont_; }

  // Audio thread: fills frames of interleaved stereo.
  void Render(float* stereo, int frames);

 private:
  struct Event {
    int64_t time_us;
    uint64_t frame;
    uint8_t status, data1, data2;
    uint32_t sysex_offset, sysex_length;
  };
  enum Action : unsigned { kReleaseNotes = 1, kJump = 2 };

  MidiPlayer() = default;
  void SetSampleRate(double sample_rate);
  enum class Run { kNone, kLive, kRecording, kReplay };
  enum class Take { kNotYet, kRecording, kDone, kNever };

  void StartRun(uint64_t pos, uint64_t stop_at);
  void EndOfPiece();
  void RenderSegment(float* out, int frames, bool playing, uint64_t pos);
  void TrackQuiet(const float* out, int frames);
  void GiveUpReplay();
  uint64_t FadeFrames() const;
  void Dispatch(const Event& e);
  // Dispatches the events from cursor_ on that are due at pos, within the
  // budget; drops the rest that are due.
  void DispatchDue(uint64_t pos);
  void Drop(uint64_t count);
  void ReleaseNotes();
  void JumpTo(uint64_t frame);
  void PinPresets(int sfont_id);

  const FluidSynthLibrary* fs_ = nullptr;  // set with the synthesizer
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::vector<Event> events_;
  std::vector<uint8_t> sysex_;
  uint64_t length_ = 0;
  int64_t length_us_ = 0;
  double sample_rate_ = 0;
  std::string soundfont_;

  // Shared between the UI thread and the audio thread.
  mutable std::mutex mutex_;
  Mode mode_ = Mode::kStopped;
  uint64_t position_ = 0;
  uint64_t stop_at_ = 0;
  uint64_t position_generation_ = 0;  // bumped when the UI moves the position
  uint64_t mode_generation_ = 0;      // bumped when the UI changes the mode
  unsigned pending_ = 0;              // Actions for the audio thread

  // Audio thread only.
  // The controls as the last block left them, used when the lock is busy
  // and published when it is free.
  Mode own_mode_ = Mode::kStopped;
  uint64_t own_stop_at_ = 0;
  uint64_t own_position_generation_ = 0;
  uint64_t own_mode_generation_ = 0;
  bool published_ = false;     // the controls have been taken from the UI once
  size_t cursor_ = 0;          // the first event not yet dispatched
  uint64_t cursor_frame_ = 0;  // the position cursor_ belongs to
  Run run_ = Run::kNone;
  Take loop_state_ = Take::kNotYet;
  Take tail_state_ = Take::kNotYet;
  SoundTake loop_;             // the piece, frame for frame
  SoundTake tail_;             // what sounds on after its end
  bool synth_fresh_ = true;    // no note has reached the synthesizer yet
  bool synth_follows_ = true;  // its events are dispatched up to the position
  bool synth_quiet_ = true;    // nothing more would be heard of it
  uint64_t quiet_frames_ = 0;
  bool tail_from_take_ = false;  // the last end was replayed: its tail comes from tail_
  uint64_t since_end_ = 0;       // frames since the last end of the piece
  uint64_t fade_from_ = 0;       // a replay cut short fades out from here in loop_
  uint64_t fade_left_ = 0;
  PeakLimiter limiter_;  // the last step of every block
  int budget_ = 0;       // events the synthesizer may still take in this Render
  std::atomic<uint64_t> synthesized_{0};
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace yomite::platform::mci
