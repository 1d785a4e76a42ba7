// The audio output: SDL_mixer's device, into which a MidiPlayer renders
// through the music hook.
//
// We render with our own sequencer on libfluidsynth instead of letting
// SDL_mixer load the file as music: its MIDI music cannot rewind, reports
// the end only when FluidSynth's tail has died away seconds later, and a
// corrupt file can make its audio thread spin. The hook keeps SDL_mixer as
// the one mixer of the process, so sound effects could still be added.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

namespace yomite::platform::mci {

class MidiPlayer;
struct MixerLibrary;

class MixerOutput {
 public:
  // Starts SDL's audio subsystem and opens the mixer's device (16-bit
  // stereo at frequency, chunk_frames a block) unless the process has
  // opened the mixer already, in which case its device is used as it is.
  // On failure returns null and sets *why.
  static std::unique_ptr<MixerOutput> Open(int frequency, int chunk_frames, std::string* why);
  // Detaches and closes what Open opened.
  ~MixerOutput();
  MixerOutput(const MixerOutput&) = delete;
  MixerOutput& operator=(const MixerOutput&) = delete;

  int frequency() const { return frequency_; }

  // From the next block on, the device plays what player renders. Attach
  // and Detach return once the audio thread no longer uses the previous
  // player, so it may be destroyed then.
  void Attach(MidiPlayer* player);
  void Detach() { Attach(nullptr); }

 private:
  MixerOutput() = default;
  static void Hook(void* self, Uint8* stream, int bytes);

  const MixerLibrary* mix_ = nullptr;
  bool started_audio_ = false;
  bool opened_mixer_ = false;
  int frequency_ = 0;
  Uint16 format_ = 0;
  int channels_ = 0;
  MidiPlayer* player_ = nullptr;  // read by the audio thread under the device lock
};

}  // namespace yomite::platform::mci
