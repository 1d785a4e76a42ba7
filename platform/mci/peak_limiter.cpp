#include "platform/mci/peak_limiter.h"

#include <algorithm>
#include <cmath>

namespace yomite::platform::mci {

namespace {

// Long enough that the gain does not follow single waves of a bass note
// (which would distort it), short enough that a quiet passage after a loud
// chord is not held down audibly.
constexpr double kReleaseSeconds = 0.25;

}  // namespace

PeakLimiter::PeakLimiter(double sample_rate)
    : release_(
          static_cast<float>(std::exp(-1.0 / (kReleaseSeconds * std::max(sample_rate, 1.0))))) {}

void PeakLimiter::Process(float* stereo, int frames) {
  for (int i = 0; i < frames; ++i) {
    float& left = stereo[2 * i];
    float& right = stereo[2 * i + 1];
    const float peak = std::max(std::fabs(left), std::fabs(right));
    envelope_ = std::max(peak, envelope_ * release_);
    if (envelope_ > kCeiling) {
      // The envelope is never below this frame's peak, so neither side
      // ends up above the ceiling.
      const float gain = kCeiling / envelope_;
      left *= gain;
      right *= gain;
    }
  }
}

}  // namespace yomite::platform::mci
