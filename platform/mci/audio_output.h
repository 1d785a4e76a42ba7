// The audio output: an SDL audio device whose callback renders a
// MidiPlayer.
//
// SDL converts what we write (16-bit stereo at the rate asked for) to
// whatever the device wants, so the callback writes one format only. The
// callback takes no lock: the player is handed over through an atomic
// pointer, and the fade at the end through an atomic state.
//
// The device can be lost (a sound server killed, a USB card pulled) or
// missing at start (a sound server that starts after us). Maintain, called
// now and then from the thread that owns the output, notices the loss and
// reopens the device when one can be opened again; nothing waits for it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace yomite::platform::mci {

class MidiPlayer;

class AudioOutput {
 public:
  // How long the sound takes to fade out before the device falls silent:
  // short enough that End stays immediate, long enough that the cut is no
  // click.
  static constexpr int kFadeMs = 5;
  // How often a lost or missing device is looked for again. Each try
  // starts SDL's audio drivers afresh, a few milliseconds of work.
  static constexpr int kRetryMs = 1000;

  // Starts SDL's audio subsystem if needed and opens the default device
  // (16-bit stereo at frequency, chunk_frames a block). When there is none,
  // sets *why and returns an output without a device, which Maintain
  // keeps looking for.
  static std::unique_ptr<AudioOutput> Open(int frequency, int chunk_frames, std::string* why);
  // Fades out what plays and closes the device.
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  int frequency() const { return frequency_; }

  // From the next block on, the device plays what player renders. Attach
  // and Detach return once the audio thread no longer uses the previous
  // player, so it may be destroyed then.
  void Attach(MidiPlayer* player);
  void Detach() { Attach(nullptr); }

  // Fades the sound out over kFadeMs and returns once the faded block has
  // been rendered (or, with no device to give it to, at once). The device
  // plays silence from then on, until the next Attach.
  void FadeOut();

  // Looks at the device: when it has been lost, says so through report
  // (once) and from then on tries to open one again, at most every
  // kRetryMs. Cheap when nothing needs doing. now_ms is a steady clock.
  void Maintain(uint64_t now_ms, const std::function<void(const std::string&)>& report);
  // True while a device is open and working.
  bool playing_to_device() const { return device_ != 0 && !lost_; }

 private:
  AudioOutput() = default;
  bool StartAudio(std::string* why);
  bool OpenDevice(std::string* why);
  // Before the device is closed: returns once it surely holds the last
  // block that had sound.
  void LetTheLastSoundThrough();
  void CloseDevice();
  // How long a wait for the audio thread goes on before it is given up.
  std::chrono::milliseconds Patience() const;
  static constexpr std::chrono::microseconds kPoll{200};
  static void Callback(void* self, uint8_t* stream, int bytes);
  void Fill(int16_t* stereo, int frames);

  uint32_t device_ = 0;  // SDL_AudioDeviceID, 0 when none is open
  bool started_audio_ = false;
  bool lost_ = false;
  uint64_t next_try_ms_ = 0;  // 0: not yet planned
  int frequency_ = 0;
  int chunk_frames_ = 0;

  enum Fade : int { kNoFade, kFadeAsked, kFaded };
  // Shared with the audio thread.
  std::atomic<MidiPlayer*> player_{nullptr};
  std::atomic<bool> in_callback_{false};
  // Blocks asked for by the device so far (numbered from 1), and the number
  // of the last one that had sound (0 while none has): a later one means
  // that one has been handed on.
  std::atomic<uint32_t> blocks_{0};
  std::atomic<uint32_t> last_sound_block_{0};
  std::atomic<int> fade_{kNoFade};
  // Audio thread only.
  int fade_done_ = 0;  // frames of the fade rendered so far
};

}  // namespace yomite::platform::mci
