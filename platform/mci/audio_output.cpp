#include "platform/mci/audio_output.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/mci/midi_player.h"

namespace yomite::platform::mci {

namespace {

// On a machine without a sound card, libasound prints a screenful of
// errors when SDL probes it. We say why the music is silent in one line of
// our own, so its messages are turned off. SDL loads libasound itself; we
// only reach it if it is there, and keep it loaded so the setting stays.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaMessages() {
  static bool done = false;
  if (done) return;
  done = true;
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (alsa == nullptr) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  auto set_handler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set_handler != nullptr) set_handler(&QuietAlsa);
}

}  // namespace

std::unique_ptr<AudioOutput> AudioOutput::Open(int frequency, int chunk_frames, std::string* why) {
  SilenceAlsaMessages();
  std::unique_ptr<AudioOutput> out(new AudioOutput());
  out->frequency_ = frequency;
  out->chunk_frames_ = chunk_frames;
  if (!out->StartAudio(why) || !out->OpenDevice(why)) out->lost_ = true;
  return out;
}

bool AudioOutput::StartAudio(std::string* why) {
  if (SDL_WasInit(SDL_INIT_AUDIO) != 0) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *why = std::string("no audio output (") + SDL_GetError() + ")";
    return false;
  }
  started_audio_ = true;
  return true;
}

bool AudioOutput::OpenDevice(std::string* why) {
  SDL_AudioSpec want{};
  want.freq = frequency_;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(chunk_frames_);
  want.callback = &AudioOutput::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the device wants, so the
  // callback writes 16-bit stereo only.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    *why = std::string("no audio output device (") + SDL_GetError() + ")";
    return false;
  }
  lost_ = false;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void AudioOutput::CloseDevice() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
}

AudioOutput::~AudioOutput() {
  FadeOut();
  Detach();
  LetTheLastSoundThrough();
  CloseDevice();
  if (started_audio_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOutput::Attach(MidiPlayer* player) {
  player_.store(player);
  fade_.store(kNoFade);
  // A block that began before the store may still render the previous
  // player: wait for it to end. The callback never waits for us.
  while (in_callback_.load()) std::this_thread::yield();
}

void AudioOutput::FadeOut() {
  if (player_.load() == nullptr || !playing_to_device()) {
    fade_.store(kFaded);
    return;
  }
  int expected = kNoFade;
  fade_.compare_exchange_strong(expected, kFadeAsked);
  // The callback comes within one block; a device that stalls is not
  // waited for beyond a few blocks.
  const auto give_up = std::chrono::steady_clock::now() + Patience();
  while (fade_.load() != kFaded && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(kPoll);
  }
  fade_.store(kFaded);
}

void AudioOutput::LetTheLastSoundThrough() {
  if (!playing_to_device()) return;
  // A block is only surely the device's once the next one is asked for.
  // SDL's close lets the device drain for two blocks after the last, but a
  // sound server can hold more than that: closed any earlier, PulseAudio
  // dropped the faded block, and the music stopped at full level after all.
  const uint32_t last = last_sound_block_.load();  // 0: none had sound
  const auto give_up = std::chrono::steady_clock::now() + Patience();
  while (last != 0 && blocks_.load() == last && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(kPoll);
  }
}

std::chrono::milliseconds AudioOutput::Patience() const {
  return std::chrono::milliseconds(4 * 1000 * chunk_frames_ / frequency_ + 20);
}

void AudioOutput::Maintain(uint64_t now_ms, const std::function<void(const std::string&)>& report) {
  if (device_ != 0 && !lost_) {
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) return;
    lost_ = true;
    next_try_ms_ = now_ms + kRetryMs;
    report("yomite: the audio device was lost; the music comes back when it returns");
    return;
  }
  if (next_try_ms_ == 0) next_try_ms_ = now_ms + kRetryMs;
  if (now_ms < next_try_ms_) return;
  next_try_ms_ = now_ms + kRetryMs;
  CloseDevice();
  std::string why;
  if (SDL_WasInit(SDL_INIT_AUDIO) == 0) {
    if (!StartAudio(&why)) return;
  } else {
    // SDL chose its driver when audio started: a sound server that has
    // come (back) since is only seen by starting the drivers again.
    SDL_AudioQuit();
    if (SDL_AudioInit(nullptr) != 0) return;
  }
  if (OpenDevice(&why)) report("yomite: the music plays on an audio device found again");
}

void AudioOutput::Callback(void* self_pointer, uint8_t* stream, int bytes) {
  auto* self = static_cast<AudioOutput*>(self_pointer);
  self->Fill(reinterpret_cast<int16_t*>(stream), bytes / 4);
}

void AudioOutput::Fill(int16_t* stereo, int frames) {
  in_callback_.store(true);
  const uint32_t number = blocks_.fetch_add(1) + 1;
  MidiPlayer* player = player_.load();
  const int fade = fade_.load();
  if (player == nullptr || fade == kFaded) {
    std::fill(stereo, stereo + 2 * static_cast<size_t>(frames), int16_t{0});
    fade_done_ = 0;
    in_callback_.store(false);
    return;
  }
  last_sound_block_.store(number);
  if (fade == kNoFade) fade_done_ = 0;
  const int fade_frames = std::max(1, frequency_ * kFadeMs / 1000);
  constexpr int kBlock = 256;
  float block[2 * kBlock];
  for (int start = 0; start < frames; start += kBlock) {
    const int n = std::min(kBlock, frames - start);
    player->Render(block, n);
    for (int i = 0; i < n; ++i) {
      float gain = 1.0f;
      if (fade == kFadeAsked) {
        // A square law: the last millisecond is already 28 dB down, so the
        // cut at the end is no step.
        const float left = std::max(0.0f, 1.0f - static_cast<float>(fade_done_) / fade_frames);
        gain = left * left;
        if (fade_done_ < fade_frames) ++fade_done_;
      }
      for (int c = 0; c < 2; ++c) {
        const float v = std::clamp(block[2 * i + c] * gain, -1.0f, 1.0f);
        stereo[2 * (start + i) + c] = static_cast<int16_t>(std::lrint(v * 32767.0f));
      }
    }
  }
  if (fade == kFadeAsked && fade_done_ >= fade_frames) fade_.store(kFaded);
  in_callback_.store(false);
}

}  // namespace yomite::platform::mci
