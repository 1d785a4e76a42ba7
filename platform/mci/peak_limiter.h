// Keeps the music's output below a ceiling just under full scale, so that
// a piece denser than the synthesizer's gain allows for is turned down
// rather than clipped. Below the ceiling it passes the sound unchanged.
//
// The gain follows an envelope that rises at once to every louder peak
// and falls back slowly, so the sound is held down for a moment after a
// loud chord instead of pumping with each wave.
#pragma once

namespace yomite::platform::mci {

class PeakLimiter {
 public:
  // -1 dBFS: room left for the conversion to the device's format.
  static constexpr float kCeiling = 0.891f;

  explicit PeakLimiter(double sample_rate = 44100.0);
  // Limits frames of interleaved stereo in place.
  void Process(float* stereo, int frames);

 private:
  float release_ = 0.0f;   // the envelope's fall per frame, as a factor
  float envelope_ = 0.0f;  // the loudest recent peak, fading out
};

}  // namespace yomite::platform::mci
