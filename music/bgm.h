// The background music: one MIDI file opened at start-up under the alias
// MIDI, restarted from its beginning whenever it has stopped, closed at the
// end. Every status code of the media commands is ignored: a failure only
// means silence.
#pragma once

#include "base/story_values.h"
#include "base/text.h"
#include "platform/media.h"

namespace yomite {

class Bgm {
 public:
  explicit Bgm(platform::MediaCommands& mci) : mci_(mci) {}

  void OpenBgm(const Text& path);
  void PlayBgm();
  void CloseBgm();
  // The tick of the music timer: restarts the music when it has stopped.
  void BgmTim_Timer();

  Boolean BgmOn = kFalse;

 private:
  platform::MediaCommands& mci_;
};

}  // namespace yomite
