#include "platform/mci/mixer_output.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>

#include "platform/mci/midi_player.h"
#include "platform/mci/music_libraries.h"

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

bool SupportedFormat(Uint16 format) {
  return format == AUDIO_S16SYS || format == AUDIO_F32SYS || format == AUDIO_S32SYS;
}

}  // namespace

std::unique_ptr<MixerOutput> MixerOutput::Open(int frequency, int chunk_frames, std::string* why) {
  SilenceAlsaMessages();
  const MixerLibrary* mix = Mixer(why);
  if (mix == nullptr) return nullptr;
  std::unique_ptr<MixerOutput> out(new MixerOutput());
  out->mix_ = mix;
  if (SDL_WasInit(SDL_INIT_AUDIO) == 0) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      *why = std::string("no audio output (") + SDL_GetError() + ")";
      return nullptr;
    }
    out->started_audio_ = true;
  }
  int freq = 0, channels = 0;
  Uint16 format = 0;
  if (mix->Mix_QuerySpec(&freq, &format, &channels) == 0) {
    // No changes allowed: SDL converts to whatever the device wants.
    if (mix->Mix_OpenAudioDevice(frequency, AUDIO_S16SYS, 2, chunk_frames, nullptr, 0) != 0) {
      *why = std::string("no audio output device (") + SDL_GetError() + ")";
      return nullptr;  // the destructor stops the subsystem again
    }
    out->opened_mixer_ = true;
    mix->Mix_QuerySpec(&freq, &format, &channels);
  }
  if (!SupportedFormat(format) || channels < 1) {
    *why = "the audio device's sample format is not one we can write";
    return nullptr;
  }
  out->frequency_ = freq;
  out->format_ = format;
  out->channels_ = channels;
  return out;
}

MixerOutput::~MixerOutput() {
  if (player_ != nullptr) Detach();
  if (opened_mixer_) mix_->Mix_CloseAudio();
  if (started_audio_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void MixerOutput::Attach(MidiPlayer* player) {
  // Mix_HookMusic takes the device lock, so no block is being rendered
  // while the hook and its player change.
  mix_->Mix_HookMusic(nullptr, nullptr);
  player_ = player;
  if (player != nullptr) mix_->Mix_HookMusic(&MixerOutput::Hook, this);
}

void MixerOutput::Hook(void* self_pointer, Uint8* stream, int bytes) {
  auto* self = static_cast<MixerOutput*>(self_pointer);
  const int sample_bytes = SDL_AUDIO_BITSIZE(self->format_) / 8;
  const int channels = self->channels_;
  const int frames = bytes / (sample_bytes * channels);
  constexpr int kBlock = 256;
  float block[2 * kBlock];
  for (int start = 0; start < frames; start += kBlock) {
    int n = std::min(kBlock, frames - start);
    self->player_->Render(block, n);
    for (int i = 0; i < n; ++i) {
      for (int c = 0; c < channels; ++c) {
        // Mono takes the mid signal; channels past the front pair stay silent.
        float v = channels == 1 ? 0.5f * (block[2 * i] + block[2 * i + 1])
                  : c < 2       ? block[2 * i + c]
                                : 0.0f;
        v = std::clamp(v, -1.0f, 1.0f);
        size_t at = (static_cast<size_t>(start + i) * channels + c) * sample_bytes;
        if (self->format_ == AUDIO_S16SYS) {
          auto s = static_cast<Sint16>(std::lrint(v * 32767.0f));
          SDL_memcpy(stream + at, &s, sizeof s);
        } else if (self->format_ == AUDIO_S32SYS) {
          auto s = static_cast<Sint32>(std::lrint(static_cast<double>(v) * 2147483647.0));
          SDL_memcpy(stream + at, &s, sizeof s);
        } else {
          SDL_memcpy(stream + at, &v, sizeof v);
        }
      }
    }
  }
}

}  // namespace yomite::platform::mci
