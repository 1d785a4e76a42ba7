#include "platform/mci/sound_take.h"

#include <algorithm>
#include <cmath>

namespace yomite::platform::mci {

namespace {

constexpr float kScale = 32767.0f / SoundTake::kMaxLevel;

}  // namespace

bool SoundTake::Append(const float* stereo, int frames) {
  const size_t count = 2 * static_cast<size_t>(std::max(frames, 0));
  if (samples_.size() + count > samples_.capacity()) return false;
  for (size_t i = 0; i < count; ++i) {
    float v = std::clamp(stereo[i], -kMaxLevel, kMaxLevel);
    samples_.push_back(static_cast<int16_t>(std::lrint(v * kScale)));
  }
  return true;
}

void SoundTake::MixInto(float* stereo, uint64_t from, int frames, float fade_gain,
                        float fade_step) const {
  if (from >= this->frames() || frames <= 0) return;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(frames), this->frames() - from);
  const int16_t* in = samples_.data() + 2 * from;
  float gain = fade_gain;
  for (uint64_t i = 0; i < n; ++i) {
    if (gain <= 0.0f) break;
    stereo[2 * i] += gain * static_cast<float>(in[2 * i]) / kScale;
    stereo[2 * i + 1] += gain * static_cast<float>(in[2 * i + 1]) / kScale;
    gain -= fade_step;
  }
}

void SoundTake::FadeOutEnd(uint64_t frames) {
  frames = std::min(frames, this->frames());
  if (frames == 0) return;
  const uint64_t start = this->frames() - frames;
  for (uint64_t i = 0; i < frames; ++i) {
    float gain = static_cast<float>(frames - i) / static_cast<float>(frames + 1);
    for (int c = 0; c < 2; ++c) {
      int16_t& s = samples_[2 * (start + i) + c];
      s = static_cast<int16_t>(std::lrint(gain * s));
    }
  }
}

}  // namespace yomite::platform::mci
