// Burst synthesis: the per-sample rule that turns the tone state into output.
//
// A burst is a sine of totalSamples samples, scaled by the band's attenuation
// and by an envelope that fades in and out linearly in decibels from -160 dB.
// Both programs render through next_sample; they differ only in where their
// Burst lives (module_tone.cpp for sonavel_pa, tone_state.h for sonavel) and
// in what becomes of each sample.
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

// One burst as the render advances it: the band's frequency and amplitude
// factor, whether the render is paused (silent between bursts), how many of
// the burst's samples are still to come, the one being rendered included,
// and the sine's phase in [0, 2 pi). Both programs' tone states hold one.
struct Burst {
  std::int32_t inputFreq = initialFrequency;
  double attenuation = 1.0;
  bool callbackPaused = true;
  std::uint64_t samplesRemaining = 0;
  double phase = 0.0;
};

// Where in its burst a sample lies, when the caller knows it: the block
// render splits a block at the fades' edges, so that each run's samples
// skip finding out.
enum class BurstPart { Unknown, FadeIn, Steady, FadeOut };

// The burst's next sample, and the burst advanced past it: 0.0 while paused,
// and the render pauses itself after the last of the burst's 132300 samples.
// Called with a known part, the burst sounds and the sample lies there.
// Audio thread; real-time safe: no allocation, no I/O, no locking.
template <BurstPart part = BurstPart::Unknown>
inline float next_sample(Burst& burst) noexcept {
  // The products are taken in this order (ceiling, attenuation, envelope,
  // then the sine) so that every sample rounds to the same float each time.
  // The phase step and the scale come first, whether the burst sounds or
  // not, so that a loop of calls computes them once.
  const double step = twoPi * static_cast<double>(burst.inputFreq) / sampleRate;
  const double scale = outputCeiling * burst.attenuation;
  const std::uint64_t playedSamples = totalSamples - burst.samplesRemaining;
  double gain = scale;  // the steady part's envelope is 1
  if constexpr (part == BurstPart::Unknown) {
    // A burst that sounds has samples remaining: every writer of the record
    // sets the two together, and the last sample pauses the render.
    if (burst.callbackPaused) return 0.0f;
    // The envelope's entry is the distance to the nearer edge of the burst
    // (fadeSamples, whose entry is exactly 1.0, in the steady part): the
    // fades never overlap.
    gain =
        scale *
        fadeEnvelope[std::min({playedSamples, burst.samplesRemaining, std::uint64_t{fadeSamples}})];
  } else if constexpr (part == BurstPart::FadeIn) {  // rising with the samples played
    gain = scale * fadeEnvelope[playedSamples];
  } else if constexpr (part == BurstPart::FadeOut) {  // falling with the samples remaining
    gain = scale * fadeEnvelope[burst.samplesRemaining];
  }
  const float sample = static_cast<float>(std::sin(burst.phase) * gain);
  burst.phase += step;
  if (burst.phase >= twoPi) burst.phase -= twoPi;
  burst.callbackPaused = --burst.samplesRemaining == 0;
  return sample;
}

// The next n samples of b, all in one part of it, handed to
// sink.sample(from + k, value).
template <BurstPart part, typename Sink>
inline void render_part(Burst& b, std::size_t from, std::size_t n, Sink& sink) noexcept {
  for (std::size_t k = 0; k < n; ++k) sink.sample(from + k, next_sample<part>(b));
}

// The next count samples of burst, one next_sample each, handed to
// sink.sample(index, value) in order, and the silence once the burst has
// paused to sink.silence(from, to) in one piece. The block is rendered in
// runs that each lie in one part of the burst. The burst is advanced in a
// local copy, which nothing the sink writes can alias, and stored back once.
// Audio thread; real-time safe.
template <typename Sink>
inline void render_burst(Burst& burst, std::size_t count, Sink& sink) noexcept {
  Burst b = burst;
  std::size_t i = 0;
  // Every writer of the record pauses it with no samples remaining; the
  // second test keeps a record that did not from stopping the audio thread
  // in an endless loop of empty runs.
  while (i < count && !b.callbackPaused && b.samplesRemaining > 0) {
    const std::uint64_t left = count - i, remaining = b.samplesRemaining;
    const std::uint64_t played = totalSamples - remaining;
    std::size_t n;
    if (played < fadeSamples) {
      n = static_cast<std::size_t>(std::min(left, fadeSamples - played));
      render_part<BurstPart::FadeIn>(b, i, n, sink);
    } else if (remaining > fadeSamples) {
      n = static_cast<std::size_t>(std::min(left, remaining - fadeSamples));
      render_part<BurstPart::Steady>(b, i, n, sink);
    } else {
      n = static_cast<std::size_t>(std::min(left, remaining));
      render_part<BurstPart::FadeOut>(b, i, n, sink);
    }
    i += n;
  }
  if (i < count) {
    b.callbackPaused = true;
    sink.silence(i, count);
  }
  burst = b;
}

}  // namespace sonavel
