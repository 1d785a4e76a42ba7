#include "platform/mci/mci_interpreter.h"

#include <chrono>
#include <cstdio>

#include "base/runtime_error.h"
#include "platform/mci/audio_output.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/midi_player.h"
#include "platform/mci/soundfont_search.h"
#include "platform/midi/standard_midi_file.h"

namespace yomite::platform::mci {

namespace {

Text Decimal(uint64_t value) { return FromUtf8(std::to_string(value)); }

}  // namespace

MciInterpreter::MciInterpreter(MciOptions options) : options_(std::move(options)) {}

MciInterpreter::~MciInterpreter() {
  Close();
  output_.reset();
}

uint32_t MciInterpreter::SendString(TextView command, char16_t* reply, uint32_t reply_length) {
  ReportDroppedEvents();
  MaintainOutput();
  ParseResult parsed = ParseCommand(command);
  if (!parsed.has_device) return parsed.error;
  const Command& c = parsed.command;
  if (c.verb == Verb::kOpen) return parsed.error ? parsed.error : Open(c);
  if (c.verb == Verb::kClose && EqualsIgnoringCase(c.device, u"all")) {
    if (parsed.error) return parsed.error;
    Close();
    return kOk;
  }
  // The device first: a command for a device that is not open says so,
  // whatever else is wrong with it.
  if (player_ == nullptr || !EqualsIgnoringCase(c.device, alias_)) return kErrInvalidDeviceName;
  if (parsed.error) return parsed.error;

  const uint64_t length_ms = ToMs(player_->length());
  switch (c.verb) {
    case Verb::kOpen:
      break;
    case Verb::kClose:
      Close();
      return kOk;
    case Verb::kPlay: {
      if ((c.from && *c.from > length_ms) || (c.to && *c.to > length_ms) ||
          (c.from && c.to && *c.from > *c.to)) {
        return kErrOutOfRange;
      }
      std::optional<uint64_t> from, to;
      if (c.from) from = ToFrames(*c.from);
      if (c.to) to = ToFrames(*c.to);
      player_->Play(from, to);
      return kOk;
    }
    case Verb::kStop:
      player_->Stop();
      return kOk;
    case Verb::kPause:
      player_->Pause();
      return kOk;
    case Verb::kResume:
      player_->Resume();
      return kOk;
    case Verb::kSeek:
      if (c.seek == SeekTarget::kStart) {
        player_->Seek(0);
      } else if (c.seek == SeekTarget::kEnd) {
        player_->Seek(player_->length());
      } else {
        if (c.seek_position > length_ms) return kErrOutOfRange;
        player_->Seek(ToFrames(c.seek_position));
      }
      return kOk;
    case Verb::kStatus:
      return Status(c, reply, reply_length);
  }
  return kErrUnsupportedFunction;
}

uint32_t MciInterpreter::Status(const Command& c, char16_t* reply, uint32_t reply_length) {
  switch (c.item) {
    case StatusItem::kMode:
      switch (player_->mode()) {
        case MidiPlayer::Mode::kPlaying:
          return WriteReply(u"playing", reply, reply_length);
        case MidiPlayer::Mode::kPaused:
          return WriteReply(u"paused", reply, reply_length);
        case MidiPlayer::Mode::kStopped:
          return WriteReply(u"stopped", reply, reply_length);
      }
      break;
    case StatusItem::kPosition:
      return WriteReply(Decimal(ToMs(player_->position())), reply, reply_length);
    case StatusItem::kLength:
      return WriteReply(Decimal(ToMs(player_->length())), reply, reply_length);
    case StatusItem::kReady:
      return WriteReply(u"true", reply, reply_length);
    case StatusItem::kNone:
      break;
  }
  return kErrMissingParameter;
}

uint32_t MciInterpreter::Open(const Command& c) {
  if (c.type && !EqualsIgnoringCase(*c.type, u"sequencer")) return kErrCannotLoadDriver;
  if (EqualsIgnoringCase(c.device, u"sequencer")) return kErrFilenameRequired;
  if (player_ != nullptr) {
    // One sequencer at a time, as the synthesizer has one output.
    Text alias = c.alias.value_or(c.device);
    return EqualsIgnoringCase(alias, alias_) ? kErrDuplicateAlias : kErrSeqPortInUse;
  }

  // The story's own rules find and read the file; whatever keeps it from
  // being read leaves the story silent.
  const StoryFolder no_story("");
  const StoryFolder& folder = options_.story ? *options_.story : no_story;
  const std::string name = folder.MessageName(c.device);
  std::string file;
  try {
    file = folder.ReadWhole(c.device, midi::kMaxMidiFileBytes, err::kOutOfMemory);
  } catch (const RuntimeError& e) {
    ReportSilence(name + (e.number() == err::kFileNotFound ? " was not found"
                                                           : " could not be read: " + e.message()));
    return kErrFileNotFound;
  }
  const std::vector<uint8_t> bytes(file.begin(), file.end());
  auto read = midi::ReadStandardMidiFile(bytes);
  if (auto* why = std::get_if<midi::MidiRefusal>(&read)) {
    ReportSilence(name + " " + why->message);
    return kErrInvalidFile;
  }

  const std::vector<std::string> soundfonts =
      options_.soundfonts.value_or(DefaultSoundFontSearchPath());
  bool any_soundfont = false;
  std::string refused;  // the candidates there are, but which cannot be loaded
  for (const std::string& s : soundfonts) {
    const std::string problem = SoundFontProblem(s);
    any_soundfont = any_soundfont || problem.empty();
    if (!problem.empty() && !problem.ends_with(" was not found")) {
      refused += "; " + problem;
    }
  }
  if (!any_soundfont) {
    ReportSilence("no General MIDI soundfont found (looked in " + JoinPaths(soundfonts) + refused +
                  ")");
    return kErrSeqNoMidiPresent;
  }

  std::unique_ptr<MidiPlayer> player =
      MidiPlayer::CreateWithoutSynth(std::get<midi::MidiSequence>(read), options_.frequency);
  if (options_.start_later) {
    pending_soundfonts_ = soundfonts;
  } else if (!StartPlayer(*player, soundfonts)) {
    return kErrSeqNoMidiPresent;
  }
  player_ = std::move(player);
  alias_ = c.alias.value_or(c.device);
  if (pending_soundfonts_.empty()) output_->Attach(player_.get());
  return kOk;
}

bool MciInterpreter::StartPlayer(MidiPlayer& player, const std::vector<std::string>& soundfonts) {
  std::string why;
  // The device always runs at the rate asked for (SDL converts), so the
  // synthesizer can start whether or not a device is there yet.
  if (!player.StartSynth(soundfonts, options_.frequency, &why)) {
    ReportSilence(why);
    return false;
  }
  if (output_ == nullptr) {
    output_ = AudioOutput::Open(options_.frequency, options_.chunk_frames, &why);
    // The music plays from where it is once a device appears.
    if (!why.empty()) ReportSilence(why + "; looking for one again every second");
  }
  return true;
}

void MciInterpreter::MaintainOutput() {
  if (output_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  output_->Maintain(
      static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()),
      [this](const std::string& line) { Report(line); });
}

void MciInterpreter::StartPending() {
  if (player_ == nullptr || pending_soundfonts_.empty()) return;
  std::vector<std::string> soundfonts = std::move(pending_soundfonts_);
  pending_soundfonts_.clear();
  if (!StartPlayer(*player_, soundfonts)) {
    player_.reset();
    alias_.clear();
    return;
  }
  output_->Attach(player_.get());
}

void MciInterpreter::Close() {
  pending_soundfonts_.clear();
  if (player_ == nullptr) return;
  ReportDroppedEvents();
  drops_reported_ = false;
  // The sound fades out in a few milliseconds, and nothing rings on after
  // close.
  if (output_ != nullptr) {
    output_->FadeOut();
    output_->Detach();
  }
  player_.reset();
  alias_.clear();
}

void MciInterpreter::ReportDroppedEvents() {
  if (drops_reported_ || player_ == nullptr || player_->dropped_events() == 0) return;
  drops_reported_ = true;
  Report("yomite: music plays without some of its events: more than " +
         std::to_string(MidiPlayer::kMaxEventsPerBudget) + " fell due within " +
         std::to_string(MidiPlayer::kBudgetFrames) + " frames");
}

void MciInterpreter::ReportSilence(const std::string& why) {
  Report("yomite: music is silent: " + why);
}

void MciInterpreter::Report(const std::string& line) {
  if (options_.report_silence) {
    options_.report_silence(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

uint64_t MciInterpreter::ToFrames(uint64_t ms) const {
  // Rounded up, so that a position set in milliseconds reads back the same.
  const auto rate = static_cast<uint64_t>(player_->sample_rate());
  return ms / 1000 * rate + (ms % 1000 * rate + 999) / 1000;
}

uint64_t MciInterpreter::ToMs(uint64_t frames) const {
  // Whole seconds first: frames * 1000 alone would overflow for long pieces.
  const auto rate = static_cast<uint64_t>(player_->sample_rate());
  return frames / rate * 1000 + frames % rate * 1000 / rate;
}

}  // namespace yomite::platform::mci
