// Burst synthesis: the per-sample rule that turns the tone state into output.
//
// A burst is a sine of totalSamples samples, scaled by the band's attenuation
// and by an envelope that fades in and out linearly in decibels from -160 dB.
// Both programs render through synthesize_sample(); they differ only in where
// the fields it advances live (module_tone.h for sonavel_pa, tone_state.h for
// sonavel).
#pragma once

#include <cmath>
#include <cstdint>

namespace sonavel {

inline constexpr double sampleRate = 44100.0;
inline constexpr std::uint64_t totalSamples = 132300;  // 3.0 s
inline constexpr std::uint64_t fadeSamples = 22050;    // 0.5 s
inline constexpr double envelopeFloorDb = 160.0;
// Every sample is scaled by this, so a 0 dB burst never reaches full scale.
inline constexpr double outputCeiling = 0.999999;
inline constexpr double twoPi = 6.283185307179586;
inline constexpr std::int32_t initialFrequency = 20;  // in no band; never heard
inline constexpr int maxAttenuationDb = 120;

static_assert(2 * fadeSamples < totalSamples, "the fades must not overlap");

// 10^(db/20): 0 dB gives 1.0, -20 dB 0.1, -160 dB 1e-8. Any thread.
inline double db_to_linear(double db) noexcept {
  return std::pow(10.0, db / 20.0);
}

// Renders one sample and advances the burst held in paused, remaining and
// phase. The caller passes the burst's frequency and amplitude factor.
// Audio thread; real-time safe: no allocation, no I/O, no locking.
inline float synthesize_sample(bool& paused, std::uint64_t& remaining, double& phase,
                               std::int32_t freq, double attenuation) noexcept {
  if (paused || remaining == 0) {
    if (remaining == 0) paused = true;
    return 0.0f;
  }
  const std::uint64_t played = totalSamples - remaining;
  double envelope = 1.0;
  if (played < fadeSamples) {
    const double env_db =
        (static_cast<double>(played) / static_cast<double>(fadeSamples)) * envelopeFloorDb -
        envelopeFloorDb;
    envelope = db_to_linear(env_db);
  } else if (remaining <= fadeSamples) {
    const double env_db =
        (static_cast<double>(remaining) / static_cast<double>(fadeSamples)) * envelopeFloorDb -
        envelopeFloorDb;
    envelope = db_to_linear(env_db);
  }
  // The products are taken in this order (ceiling, attenuation, envelope,
  // then the sine) so that every sample rounds to the same float each time.
  const double gain = outputCeiling * attenuation * envelope;
  const float sample = static_cast<float>(std::sin(phase) * gain);

  phase += twoPi * static_cast<double>(freq) / sampleRate;
  if (phase >= twoPi) phase -= twoPi;

  --remaining;
  if (remaining == 0) paused = true;
  return sample;
}

}  // namespace sonavel
