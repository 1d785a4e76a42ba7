// The media commands of the program carried out on our MIDI sequencer:
// one sequencer device, opened from a MIDI file under an alias, played,
// queried, rewound and closed by text commands.
//
// Nothing here fails loudly. A missing or unplayable file or no soundfont
// make "open" fail with a status code and one line on standard error;
// every later command for that alias fails with kErrInvalidDeviceName and
// leaves the reply buffer untouched. No audio device is one line too, but
// the device opens and obeys every command: its sound is heard once an
// audio device appears (looked for again every second), and a device lost
// while playing is looked for in the same way.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mci/command_parser.h"
#include "platform/media.h"
#include "platform/story_folder.h"

namespace yomite::platform::mci {

class MidiPlayer;
class AudioOutput;

struct MciOptions {
  // Soundfonts to try in order; unset means DefaultSoundFontSearchPath().
  std::optional<std::vector<std::string>> soundfonts;
  // Receives the line saying why the music is silent, or that it drops
  // events (without its line end). Unset means standard error.
  std::function<void(const std::string&)> report_silence;
  int frequency = 44100;
  // The device's block. SDL closes a device in up to three blocks (the
  // one it waits for, then two to let the sound drain), so End's budget
  // decides: 256 frames (5.8 ms at 44.1 kHz) close in some 14 ms, 1024 took
  // 67 ms. Each block wakes the audio thread: about 0.7 % of a core more
  // than 1024 frames (docs/performance.md).
  int chunk_frames = 256;
  // When set, "open" checks the file and that a soundfont is there, and
  // leaves loading the soundfont and opening the audio device to
  // StartPending: a program can show its first page before it pays for
  // the music. Until then the device obeys every command and plays
  // silence, its position standing still.
  bool start_later = false;
  // The story folder the file names of "open" are found in, with the
  // story's name rules; unset, a name is taken as a path of its own (found
  // with the same rules from the current folder).
  const StoryFolder* story = nullptr;
};

class MciInterpreter final : public MediaCommands {
 public:
  // Opens no device yet: the audio device is opened (and SDL's audio
  // subsystem started, if needed) by the first "open", and closed again by
  // the destructor. Destroy the interpreter before SDL_Quit.
  explicit MciInterpreter(MciOptions options = {});
  ~MciInterpreter() override;

  uint32_t SendString(TextView command, char16_t* reply, uint32_t reply_length) override;

  // Finishes an open that start_later left pending; does nothing otherwise.
  // Should that fail, the device is closed, as if "open" had failed, with
  // the same one line.
  void StartPending();

 private:
  uint32_t Open(const Command& c);
  bool StartPlayer(MidiPlayer& player, const std::vector<std::string>& soundfonts);
  void Close();
  // Notices a lost audio device and opens one again when it can.
  void MaintainOutput();
  uint32_t Status(const Command& c, char16_t* reply, uint32_t reply_length);
  void ReportSilence(const std::string& why);
  // Once per open device: says that the piece asked for more events at one
  // time than the synthesizer is given.
  void ReportDroppedEvents();
  void Report(const std::string& line);
  // Positions in 64 bits: the reader bounds a piece to a day.
  uint64_t ToFrames(uint64_t ms) const;
  uint64_t ToMs(uint64_t frames) const;

  MciOptions options_;
  std::unique_ptr<AudioOutput> output_;
  Text alias_;  // of the open device; empty when none is open
  std::unique_ptr<MidiPlayer> player_;
  std::vector<std::string> pending_soundfonts_;  // of an open not yet started
  bool drops_reported_ = false;
};

}  // namespace yomite::platform::mci
