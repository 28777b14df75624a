// Burst synthesis: the per-sample rule that turns the tone state into output.
//
// A burst is a sine of totalSamples samples, scaled by the band's attenuation
// and by an envelope that fades in and out linearly in decibels from -160 dB.
// Both programs render through next_sample; they differ only in where the
// fields it advances live (module_tone.h for sonavel_pa, tone_state.h for
// sonavel) and in what becomes of each sample.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
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

// The fade envelope by distance from the burst's edge: entry k is the factor
// of a fade-in sample with k samples played before it, and of a fade-out
// sample with k samples remaining, itself included. Built once at start-up
// with db_to_linear((k / fadeSamples) x 160 - 160), so that each fade sample
// costs a lookup instead of a power.
extern const std::array<double, fadeSamples + 1> fadeEnvelope;

// The next count samples of the burst held in paused, remaining and phase, at
// freq and attenuation, handing each to sink.sample(index, value), and the
// silence after the burst to sink.silence(from, to). The burst is 132300
// samples: a fade-in, a steady part and a fade-out, each rendered in a loop
// of its own; the engine pauses itself after the last sample.
// Audio thread; real-time safe: no allocation, no I/O, no locking.
template <typename Sink>
inline void next_sample(bool& paused, std::uint64_t& remaining, double& phase, std::int32_t freq,
                        double attenuation, std::size_t count, Sink& sink) noexcept {
  // The products are taken in this order (ceiling, attenuation, envelope,
  // then the sine) so that every sample rounds to the same float each time.
  const double scale = outputCeiling * attenuation;
  const double step = twoPi * static_cast<double>(freq) / sampleRate;
  // The phase is advanced in a local, which nothing the sink writes can
  // alias, and stored back once.
  double ph = phase;
  auto advance = [&ph, step] {
    ph += step;
    if (ph >= twoPi) ph -= twoPi;
  };
  std::size_t i = 0;
  while (i < count) {
    if (paused || remaining == 0) {
      paused = true;
      sink.silence(i, count);
      break;
    }
    const std::uint64_t played = totalSamples - remaining;
    std::size_t n;
    if (played < fadeSamples) {  // rising with the samples played
      n = static_cast<std::size_t>(std::min<std::uint64_t>(count - i, fadeSamples - played));
      const double* envelope = &fadeEnvelope[played];
      for (std::size_t j = 0; j < n; ++j, advance()) {
        sink.sample(i + j, static_cast<float>(std::sin(ph) * (scale * envelope[j])));
      }
    } else if (remaining <= fadeSamples) {  // falling with the samples remaining
      n = static_cast<std::size_t>(std::min<std::uint64_t>(count - i, remaining));
      const double* envelope = &fadeEnvelope[remaining];
      for (std::size_t j = 0; j < n; ++j, advance()) {
        sink.sample(i + j, static_cast<float>(std::sin(ph) * (scale * *(envelope - j))));
      }
    } else {  // full level, up to the first fade-out sample
      n = static_cast<std::size_t>(std::min<std::uint64_t>(count - i, remaining - fadeSamples));
      for (std::size_t j = 0; j < n; ++j, advance()) {
        sink.sample(i + j, static_cast<float>(std::sin(ph) * scale));
      }
    }
    remaining -= n;
    i += n;
    if (remaining == 0) paused = true;
  }
  phase = ph;
}

}  // namespace sonavel
