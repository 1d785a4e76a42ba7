// A recording of what the synthesizer rendered, kept as 16-bit stereo, to
// be mixed into later blocks instead of synthesizing the same sound again.
// It holds up to twice full scale: the synthesizer's sound may go past
// full scale before the output's limiter turns it down, and a replay must
// reach the limiter as loud as the sound it recorded.
#pragma once

#include <cstdint>
#include <vector>

namespace yomite::platform::mci {

class SoundTake {
 public:
  static constexpr float kMaxLevel = 2.0f;

  // Room for frames, allocated and touched now: appending does not
  // allocate, and the memory the take needs is in use from the start
  // rather than growing while it is recorded.
  void Reserve(uint64_t frames) {
    samples_.resize(2 * frames);
    samples_.clear();
  }
  // Appends frames of interleaved stereo, clipped to kMaxLevel. Returns
  // false, appending nothing, when the reserved room would not hold them.
  bool Append(const float* stereo, int frames);
  // Adds frames of the take, from frame from on, into interleaved stereo;
  // what lies past the end of the take adds nothing. With a fade, the
  // gain falls linearly from fade_gain by fade_step each frame, to 0.
  void MixInto(float* stereo, uint64_t from, int frames, float fade_gain = 1.0f,
               float fade_step = 0.0f) const;
  // Fades out the last frames of the take, so that it does not end with a
  // click.
  void FadeOutEnd(uint64_t frames);
  // Empties the take and gives its memory back.
  void Release() { std::vector<int16_t>().swap(samples_); }

  uint64_t frames() const { return samples_.size() / 2; }

 private:
  std::vector<int16_t> samples_;
};

}  // namespace yomite::platform::mci
