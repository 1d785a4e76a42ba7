// A MIDI sequencer of our own on a FluidSynth synthesizer.
//
// The sequencer, not the synthesizer, decides where the piece ends: at its
// last event. The release and reverb tails of the last notes keep sounding
// after that, while the mode already reads stopped, so a restart from the
// top follows the end of the piece at once.
//
// Threads: the control methods (Play, Stop, Pause, Resume, Seek and the
// queries) are called from one thread, the UI thread; Render from the audio
// thread. They share only the small control block guarded by mutex_, which
// neither side holds while the synthesizer renders. The synthesizer itself
// is touched by one thread at a time: by Create before the player is handed
// to the audio thread, by Render afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/mci/standard_midi_file.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace yomite::platform::mci {

class MidiPlayer {
 public:
  enum class Mode { kStopped, kPlaying, kPaused };

  // A player for the sequence at sample_rate frames a second, with the first
  // of the soundfonts that loads. On failure returns null and sets *why.
  static std::unique_ptr<MidiPlayer> Create(const MidiSequence& sequence,
                                            const std::vector<std::string>& soundfonts,
                                            double sample_rate, std::string* why);
  // A player whose controls and queries work at once, with no synthesizer
  // yet: it renders silence and its position stands still until
  // StartSynth has succeeded.
  static std::unique_ptr<MidiPlayer> CreateWithoutSynth(const MidiSequence& sequence,
                                                        double sample_rate);
  // Loads the first of the soundfonts that loads into a new synthesizer
  // running at sample_rate, which may differ from the rate the player was
  // made for: positions keep their time. On failure returns false and sets
  // *why. Not while an audio thread renders this player.
  bool StartSynth(const std::vector<std::string>& soundfonts, double sample_rate, std::string* why);
  bool has_synth() const { return synth_ != nullptr; }
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
  void Dispatch(const Event& e);
  void ReleaseNotes();
  void JumpTo(uint64_t frame);

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
  size_t cursor_ = 0;          // the first event not yet dispatched
  uint64_t cursor_frame_ = 0;  // the position cursor_ belongs to
};

}  // namespace yomite::platform::mci
