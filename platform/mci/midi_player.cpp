#include "platform/mci/midi_player.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "base/printable.h"
#include "platform/mci/music_libraries.h"
#include "platform/mci/soundfont_search.h"

namespace yomite::platform::mci {

namespace {

constexpr int kChannels = 16;

// FluidSynth logs to standard error by default, and the soundfont loader
// it uses (libinstpatch) through GLib's log. Our one line about silent
// music replaces what they would say: the first error FluidSynth gives while
// this thread loads a soundfont is kept for that line, the rest is dropped.
thread_local std::string* first_error = nullptr;

void KeepFirstError(int level, const char* message, void*) {
  if (first_error == nullptr || !first_error->empty() || message == nullptr) return;
  if (level == FLUID_PANIC || level == FLUID_ERR) *first_error = message;
}

void DropGLibMessage(const char*, int, const char*, void*) {}

void QuietFluidSynth(const FluidSynthLibrary& fs) {
  static std::once_flag once;
  std::call_once(once, [&fs] {
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
      fs.fluid_set_log_function(level, &KeepFirstError, nullptr);
    }
    // GLib came in with FluidSynth; it is no library of ours, so its
    // messages in this process are only ever FluidSynth's.
    if (void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_NOLOAD)) {
      using Handler = void (*)(const char*, int, const char*, void*);
      auto set_default =
          reinterpret_cast<Handler (*)(Handler, void*)>(dlsym(glib, "g_log_set_default_handler"));
      if (set_default != nullptr) set_default(&DropGLibMessage, nullptr);
    }
  });
}

}  // namespace

std::unique_ptr<MidiPlayer> MidiPlayer::Create(const midi::MidiSequence& sequence,
                                               const std::vector<std::string>& soundfonts,
                                               double sample_rate, std::string* why,
                                               SynthOptions options) {
  std::unique_ptr<MidiPlayer> p = CreateWithoutSynth(sequence, sample_rate);
  if (!p->StartSynth(soundfonts, sample_rate, why, options)) return nullptr;
  return p;
}

std::unique_ptr<MidiPlayer> MidiPlayer::CreateWithoutSynth(const midi::MidiSequence& sequence,
                                                           double sample_rate) {
  std::unique_ptr<MidiPlayer> p(new MidiPlayer());
  p->events_.reserve(sequence.events.size());
  for (const midi::MidiEvent& e : sequence.events) {
    p->events_.push_back(
        {e.time_us, 0, e.status, e.data1, e.data2, e.sysex_offset, e.sysex_length});
  }
  p->sysex_ = sequence.sysex_data;
  p->length_us_ = sequence.length_us;
  p->SetSampleRate(sample_rate);
  p->stop_at_ = p->length_;
  return p;
}

void MidiPlayer::SetSampleRate(double sample_rate) {
  auto to_frame = [sample_rate](int64_t us) {
    return static_cast<uint64_t>(std::llround(static_cast<double>(us) * sample_rate / 1e6));
  };
  const double old_rate = sample_rate_;
  sample_rate_ = sample_rate;
  limiter_ = PeakLimiter(sample_rate);
  for (Event& e : events_) e.frame = to_frame(e.time_us);
  const uint64_t old_length = length_;
  length_ = to_frame(length_us_);
  if (old_rate <= 0) return;
  std::lock_guard lock(mutex_);
  auto retime = [&](uint64_t frame) {
    if (frame >= old_length) return length_;
    return std::min(length_, static_cast<uint64_t>(std::llround(static_cast<double>(frame) *
                                                                sample_rate / old_rate)));
  };
  position_ = retime(position_);
  stop_at_ = retime(stop_at_);
  pending_ |= kJump;
}

bool MidiPlayer::StartSynth(const std::vector<std::string>& soundfonts, double sample_rate,
                            std::string* why, SynthOptions options) {
  if (synth_ != nullptr) return true;
  fs_ = FluidSynth(why);
  if (fs_ == nullptr) return false;
  QuietFluidSynth(*fs_);
  if (sample_rate != sample_rate_) SetSampleRate(sample_rate);
  settings_ = fs_->new_fluid_settings();
  if (settings_ == nullptr) {
    *why = "the synthesizer could not be created";
    return false;
  }
  fs_->fluid_settings_setnum(settings_, "synth.sample-rate", sample_rate);
  // One thread at a time uses the synthesizer (see the header), so its own
  // locking is not needed.
  fs_->fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
  // FluidSynth's default gain of 0.2 leaves a General MIDI piece some
  // 20 to 30 dB below full scale with the small soundfonts, far quieter
  // than other desktop sound. At 2.5 a piece of a few instruments peaks a
  // few dB below full scale; denser ones are held down by the limiter.
  fs_->fluid_settings_setnum(settings_, "synth.gain", kSynthGain);
  if (!options.reverb) fs_->fluid_settings_setint(settings_, "synth.reverb.active", 0);
  // The voices sounding at once bound the cost of every frame: a piece
  // asking for more has its oldest notes cut. FluidSynth's own default,
  // written here because the rendering budget depends on it.
  fs_->fluid_settings_setint(settings_, "synth.polyphony", MidiPlayer::kMaxVoices);
  // Only the instruments the piece selects are read from the soundfont:
  // a General MIDI piece uses a handful of its hundreds, and loading them
  // all takes 6 MB more and half as long again (PinPresets reads them).
  fs_->fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
  fluid_synth_t* synth = fs_->new_fluid_synth(settings_);
  if (synth == nullptr) {
    *why = "the synthesizer could not be created";
    return false;
  }

  std::string tried;
  int sfont_id = FLUID_FAILED;
  for (const std::string& path : soundfonts) {
    if (!LooksLikeSoundFont(path)) continue;
    std::string error;
    first_error = &error;
    sfont_id = fs_->fluid_synth_sfload(synth, path.c_str(), 1);
    first_error = nullptr;
    if (sfont_id != FLUID_FAILED) {
      soundfont_ = path;
      break;
    }
    tried += (tried.empty() ? "" : ", ") + Printable(path) + (error.empty() ? "" : ": " + error);
  }
  if (soundfont_.empty()) {
    fs_->delete_fluid_synth(synth);
    *why = tried.empty()
               ? "no General MIDI soundfont found (looked in " + JoinPaths(soundfonts) + ")"
               : "no General MIDI soundfont could be loaded (" + tried + ")";
    return false;
  }
  synth_ = synth;
  PinPresets(sfont_id);
  // The instruments chosen at the start are selected now, so the first
  // block finds them set.
  int budget = kMaxEventsPerBudget;
  for (const Event& e : events_) {
    if (e.frame > 0 || --budget < 0) break;
    const uint8_t kind = e.status & 0xF0;
    if (kind == 0xC0 || (kind == 0xB0 && (e.data1 == 0 || e.data1 == 32))) Dispatch(e);
  }
  const double seconds = static_cast<double>(length_us_) / 1e6;
  if (loop_state_ != Take::kNever && seconds >= kMinReplaySeconds && seconds <= kMaxReplaySeconds) {
    loop_.Reserve(length_);
    tail_.Reserve(static_cast<uint64_t>(kMaxTailSeconds * sample_rate));
    loop_state_ = Take::kNotYet;
    tail_state_ = Take::kNotYet;
  } else {
    DisableReplay();
  }
  // Whatever the controls did before, the first block starts where they
  // left the position, with the piece's settings as they stand there.
  std::lock_guard lock(mutex_);
  pending_ |= kJump;
  return true;
}

void MidiPlayer::PinPresets(int sfont_id) {
  // Every instrument the piece can select is read from the soundfont now,
  // on the calling thread, and kept: a program change on the audio thread
  // then finds its samples in memory instead of reading the file there.
  // The piece's selections are played through once (no notes), and after
  // each one the instrument the synthesizer chose is kept, with those it
  // falls back to when the soundfont lacks it.
  std::vector<bool> pinned(129 * 128, false);
  auto pin = [&](int bank, int program) {
    if (bank < 0 || bank > 128 || program < 0 || program > 127) return;
    if (pinned[static_cast<size_t>(bank * 128 + program)]) return;
    pinned[static_cast<size_t>(bank * 128 + program)] = true;
    fs_->fluid_synth_pin_preset(synth_, sfont_id, bank, program);
  };
  auto pin_channel = [&](int channel) {
    int sfont = 0, bank = 0, program = 0;
    if (fs_->fluid_synth_get_program(synth_, channel, &sfont, &bank, &program) != FLUID_OK) return;
    pin(bank, program);
  };
  pin(0, 0);
  pin(128, 0);
  for (int channel = 0; channel < kChannels; ++channel) pin_channel(channel);
  // A selection already made is not made again: the bank controllers are
  // only noted, and sent with the program change that uses them. A crafted
  // piece of more distinct selections than the bound has the rest read when
  // they are played (docs/limits.md).
  std::unordered_set<uint64_t> made;
  uint8_t bank_msb[kChannels] = {}, bank_lsb[kChannels] = {};
  uint64_t sysex_seen = 0;
  int left = kMaxPinnedSelections;
  for (const Event& e : events_) {
    if (left <= 0) break;
    const uint8_t kind = e.status & 0xF0;
    const int channel = e.status & 0x0F;
    if (kind == 0xB0 && e.data1 == 0) {
      bank_msb[channel] = e.data2;
    } else if (kind == 0xB0 && e.data1 == 32) {
      bank_lsb[channel] = e.data2;
    } else if (kind == 0xC0) {
      const uint64_t key = sysex_seen << 25 | static_cast<uint64_t>(channel) << 21 |
                           static_cast<uint64_t>(bank_msb[channel]) << 14 |
                           static_cast<uint64_t>(bank_lsb[channel]) << 7 | e.data1;
      if (!made.insert(key).second) continue;
      --left;
      fs_->fluid_synth_cc(synth_, channel, 0, bank_msb[channel]);
      fs_->fluid_synth_cc(synth_, channel, 32, bank_lsb[channel]);
      Dispatch(e);
      pin_channel(channel);
      pin(0, e.data1);
    } else if (e.status == 0xF0) {
      // A system exclusive message can turn a channel into a drum part.
      --left;
      ++sysex_seen;
      Dispatch(e);
      for (int c = 0; c < kChannels; ++c) pin_channel(c);
    }
  }
  fs_->fluid_synth_system_reset(synth_);
}

MidiPlayer::~MidiPlayer() {
  if (synth_ != nullptr) fs_->delete_fluid_synth(synth_);
  if (settings_ != nullptr) fs_->delete_fluid_settings(settings_);
}

void MidiPlayer::Play(std::optional<uint64_t> from, std::optional<uint64_t> to) {
  std::lock_guard lock(mutex_);
  if (from) {
    // Even to the current position: a block in flight must not move it on.
    position_ = std::min(*from, length_);
    ++position_generation_;
    pending_ |= kReleaseNotes | kJump;
  }
  stop_at_ = std::min(to.value_or(length_), length_);
  mode_ = Mode::kPlaying;
  ++mode_generation_;
}

void MidiPlayer::Stop() {
  std::lock_guard lock(mutex_);
  if (mode_ == Mode::kStopped) return;
  mode_ = Mode::kStopped;
  ++mode_generation_;
  pending_ |= kReleaseNotes;
}

void MidiPlayer::Pause() {
  std::lock_guard lock(mutex_);
  if (mode_ != Mode::kPlaying) return;
  mode_ = Mode::kPaused;
  ++mode_generation_;
  pending_ |= kReleaseNotes;
}

void MidiPlayer::Resume() {
  std::lock_guard lock(mutex_);
  if (mode_ != Mode::kPaused) return;
  mode_ = Mode::kPlaying;
  ++mode_generation_;
}

void MidiPlayer::Seek(uint64_t frame) {
  std::lock_guard lock(mutex_);
  frame = std::min(frame, length_);
  if (mode_ != Mode::kStopped) {
    mode_ = Mode::kStopped;
    ++mode_generation_;
  }
  position_ = frame;
  ++position_generation_;
  pending_ |= kReleaseNotes | kJump;
}

MidiPlayer::Mode MidiPlayer::mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

uint64_t MidiPlayer::position() const {
  std::lock_guard lock(mutex_);
  return position_;
}

void MidiPlayer::DisableReplay() {
  loop_state_ = Take::kNever;
  tail_state_ = Take::kNever;
  loop_.Release();
  tail_.Release();
}

void MidiPlayer::Render(float* stereo, int frames) {
  if (synth_ == nullptr) {
    std::fill(stereo, stereo + 2 * static_cast<size_t>(frames), 0.0f);
    return;
  }
  // The audio thread never waits for the UI thread: when the controls are
  // being changed just now, this block goes on as the last one left off,
  // and the change is taken up by the next.
  Mode mode = own_mode_;
  uint64_t pos = cursor_frame_, stop_at = own_stop_at_;
  uint64_t position_generation = own_position_generation_;
  uint64_t mode_generation = own_mode_generation_;
  unsigned actions = 0;
  if (std::unique_lock lock(mutex_, std::try_to_lock); lock) {
    if (position_generation_ != own_position_generation_ || !published_) pos = position_;
    if (mode_generation_ != own_mode_generation_ || !published_) mode = mode_;
    if (mode_generation_ != own_mode_generation_ || !published_) stop_at = stop_at_;
    position_generation = position_generation_;
    mode_generation = mode_generation_;
    actions = pending_;
    pending_ = 0;
    published_ = true;
  }
  budget_ = kMaxEventsPerBudget * ((frames + kBudgetFrames - 1) / kBudgetFrames);
  const uint64_t was_at = cursor_frame_;
  if (actions & kReleaseNotes) ReleaseNotes();
  if (actions & kJump) {
    JumpTo(pos);
    synth_follows_ = true;
  } else if (pos != cursor_frame_) {
    // Only the audio thread advances the position, and every move by the UI
    // asks for a jump, so this is a safety net.
    cursor_ = std::lower_bound(events_.begin(), events_.end(), pos,
                               [](const Event& e, uint64_t f) { return e.frame < f; }) -
              events_.begin();
  }

  // A control, or playing that stopped or ends short of the end, ends the
  // run under way.
  if (actions != 0 || mode != Mode::kPlaying || stop_at != length_) {
    if (run_ == Run::kRecording) GiveUpReplay();
    if (run_ == Run::kReplay) {
      // The recording's notes are not in the synthesizer to be released:
      // they fade out quickly instead of stopping with a click.
      fade_from_ = was_at;
      fade_left_ = FadeFrames();
    }
    run_ = Run::kNone;
  }
  if (mode == Mode::kPlaying && run_ == Run::kNone) StartRun(pos, stop_at);

  int done = 0;
  while (done < frames) {
    int n = frames - done;
    const bool playing = mode == Mode::kPlaying;
    if (playing) {
      const bool dispatching = run_ != Run::kReplay;
      if (dispatching) DispatchDue(pos);
      if (pos >= stop_at) {
        // The piece is over; what still sounds is its tail.
        mode = Mode::kStopped;
        EndOfPiece();
        continue;
      }
      uint64_t next = stop_at;
      if (dispatching && cursor_ < events_.size()) next = std::min(next, events_[cursor_].frame);
      n = static_cast<int>(std::min<uint64_t>(n, next - pos));
    }
    RenderSegment(stereo + 2 * static_cast<size_t>(done), n, playing, pos);
    done += n;
    if (playing) pos += n;
  }
  cursor_frame_ = pos;
  // After the takes are mixed in: a replay is limited as its first pass was.
  limiter_.Process(stereo, frames);

  own_mode_ = mode;
  own_stop_at_ = stop_at;
  own_position_generation_ = position_generation;
  own_mode_generation_ = mode_generation;
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock) return;  // published with a later block
  // What the UI thread asked for while this block was rendered wins.
  if (position_generation == position_generation_) position_ = pos;
  if (mode == Mode::kStopped && mode_generation == mode_generation_) mode_ = Mode::kStopped;
}

void MidiPlayer::StartRun(uint64_t pos, uint64_t stop_at) {
  const bool whole_piece = pos == 0 && stop_at == length_;
  if (whole_piece && loop_state_ == Take::kDone && tail_state_ != Take::kNever) {
    run_ = Run::kReplay;
    synth_follows_ = false;
    return;
  }
  if (whole_piece && loop_state_ == Take::kNotYet && synth_fresh_) {
    run_ = Run::kRecording;
    loop_state_ = Take::kRecording;
    return;
  }
  // The synthesizer plays new notes: a tail recorded now would hold them.
  if (tail_state_ == Take::kRecording) GiveUpReplay();
  if (!synth_follows_) {
    JumpTo(pos);
    synth_follows_ = true;
  }
  run_ = Run::kLive;
}

void MidiPlayer::EndOfPiece() {
  ReleaseNotes();
  since_end_ = 0;
  tail_from_take_ = false;
  if (run_ == Run::kRecording) {
    loop_state_ = Take::kDone;
    tail_state_ = Take::kRecording;
  } else if (run_ == Run::kReplay) {
    if (tail_state_ == Take::kDone) {
      tail_from_take_ = true;
    } else {
      GiveUpReplay();  // a tail that outlasted the piece: not reached with its minimum length
    }
  }
  run_ = Run::kNone;
}

void MidiPlayer::RenderSegment(float* out, int frames, bool playing, uint64_t pos) {
  const bool synthesize = run_ == Run::kLive || run_ == Run::kRecording || !synth_quiet_;
  if (synthesize) {
    fs_->fluid_synth_write_float(synth_, frames, out, 0, 2, out, 1, 2);
    synthesized_.fetch_add(static_cast<uint64_t>(frames), std::memory_order_relaxed);
    TrackQuiet(out, frames);
  } else {
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
  }
  // The takes hold the synthesizer's sound alone, before anything is mixed in.
  if (tail_state_ == Take::kRecording) {
    if (!tail_.Append(out, frames)) {
      tail_.FadeOutEnd(FadeFrames() * 5);
      tail_state_ = Take::kDone;
    } else if (synth_quiet_) {
      tail_state_ = Take::kDone;
    }
  }
  if (run_ == Run::kRecording && playing && !loop_.Append(out, frames)) GiveUpReplay();

  if (run_ == Run::kReplay && playing) loop_.MixInto(out, pos, frames);
  if (tail_from_take_) tail_.MixInto(out, since_end_, frames);
  if (fade_left_ > 0) {
    const float step = 1.0f / static_cast<float>(FadeFrames());
    loop_.MixInto(out, fade_from_, frames, step * static_cast<float>(fade_left_), step);
    const uint64_t k = std::min<uint64_t>(fade_left_, static_cast<uint64_t>(frames));
    fade_from_ += k;
    fade_left_ -= k;
  }
  since_end_ += static_cast<uint64_t>(frames);
}

void MidiPlayer::TrackQuiet(const float* out, int frames) {
  // FluidSynth keeps running its reverb over silence; below this, and with
  // no voice left, nothing can be heard of what it would still render.
  constexpr float kSilence = 1.0f / 16384.0f;
  float peak = 0.0f;
  for (size_t i = 0; i < 2 * static_cast<size_t>(frames); ++i)
    peak = std::max(peak, std::fabs(out[i]));
  if (peak < kSilence && fs_->fluid_synth_get_active_voice_count(synth_) == 0) {
    quiet_frames_ += static_cast<uint64_t>(frames);
  } else {
    quiet_frames_ = 0;
  }
  synth_quiet_ = quiet_frames_ >= static_cast<uint64_t>(sample_rate_ / 10);
}

void MidiPlayer::GiveUpReplay() {
  DisableReplay();
  tail_from_take_ = false;
  fade_left_ = 0;
  if (run_ == Run::kRecording || run_ == Run::kReplay) run_ = Run::kLive;
}

uint64_t MidiPlayer::FadeFrames() const { return static_cast<uint64_t>(sample_rate_ / 100); }

void MidiPlayer::Dispatch(const Event& e) {
  int channel = e.status & 0x0F;
  switch (e.status & 0xF0) {
    case 0x80:
      fs_->fluid_synth_noteoff(synth_, channel, e.data1);
      break;
    case 0x90:
      if (e.data2 == 0) {
        fs_->fluid_synth_noteoff(synth_, channel, e.data1);
      } else {
        fs_->fluid_synth_noteon(synth_, channel, e.data1, e.data2);
        synth_fresh_ = false;
        synth_quiet_ = false;
        quiet_frames_ = 0;
      }
      break;
    case 0xA0:
      fs_->fluid_synth_key_pressure(synth_, channel, e.data1, e.data2);
      break;
    case 0xB0:
      fs_->fluid_synth_cc(synth_, channel, e.data1, e.data2);
      break;
    case 0xC0:
      fs_->fluid_synth_program_change(synth_, channel, e.data1);
      break;
    case 0xD0:
      fs_->fluid_synth_channel_pressure(synth_, channel, e.data1);
      break;
    case 0xE0:
      fs_->fluid_synth_pitch_bend(synth_, channel, e.data1 | (e.data2 << 7));
      break;
    case 0xF0:
      if (e.sysex_length > 0) {
        fs_->fluid_synth_sysex(synth_,
                               reinterpret_cast<const char*>(sysex_.data() + e.sysex_offset),
                               static_cast<int>(e.sysex_length), nullptr, nullptr, nullptr, 0);
      }
      break;
  }
}

void MidiPlayer::DispatchDue(uint64_t pos) {
  while (cursor_ < events_.size() && events_[cursor_].frame <= pos) {
    if (budget_ <= 0) {
      // One search, however many are due: the cost of a flood stays that
      // of the budget.
      const size_t due_end =
          std::upper_bound(events_.begin() + static_cast<ptrdiff_t>(cursor_), events_.end(), pos,
                           [](uint64_t f, const Event& e) { return f < e.frame; }) -
          events_.begin();
      Drop(due_end - cursor_);
      cursor_ = due_end;
      return;
    }
    --budget_;
    Dispatch(events_[cursor_++]);
  }
}

void MidiPlayer::Drop(uint64_t count) {
  if (count > 0) dropped_.fetch_add(count, std::memory_order_relaxed);
}

void MidiPlayer::ReleaseNotes() {
  // Note-offs, not sound-offs: the notes fade out as they would in the piece.
  for (int channel = 0; channel < kChannels; ++channel) {
    fs_->fluid_synth_cc(synth_, channel, 64, 0);   // sustain pedal
    fs_->fluid_synth_cc(synth_, channel, 66, 0);   // sostenuto pedal
    fs_->fluid_synth_cc(synth_, channel, 123, 0);  // all notes off
  }
}

void MidiPlayer::JumpTo(uint64_t frame) {
  // Controllers a piece leaves bent or held must not carry over into the
  // place we jump to; the piece's own events then set programs, volumes and
  // controllers as they stand there.
  for (int channel = 0; channel < kChannels; ++channel) {
    fs_->fluid_synth_cc(synth_, channel, 121, 0);  // reset all controllers
  }
  const size_t target = std::lower_bound(events_.begin(), events_.end(), frame,
                                         [](const Event& e, uint64_t f) { return e.frame < f; }) -
                        events_.begin();
  cursor_ = 0;
  for (; cursor_ < target && budget_ > 0; ++cursor_) {
    const Event& e = events_[cursor_];
    uint8_t kind = e.status & 0xF0;
    if (kind != 0x80 && kind != 0x90 && kind != 0xA0) {
      --budget_;
      Dispatch(e);
    }
  }
  // The settings beyond the budget are not replayed: a later place in a
  // piece of that many controller changes plays with those reached.
  Drop(target - cursor_);
  cursor_ = target;
  cursor_frame_ = frame;
}

}  // namespace yomite::platform::mci
