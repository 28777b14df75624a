// Cost of rendering one 256-frame buffer, in silence, in the steady part of a
// burst and in a fade, for both sharing modes, beside a bare loop of one sine
// and one phase step per sample. Compare the ratios, not the times.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "audio/sample_format.h"
#include "engine/burst.h"
#include "engine/module_tone.h"
#include "engine/tone_state.h"

namespace {

constexpr unsigned long frames = 256;

void BM_BaselineSineLoop(benchmark::State& st) {
  std::vector<float> out(frames);
  double ph = 0.0;
  const double inc = sonavel::twoPi * 1000.0 / sonavel::sampleRate;
  for (auto _ : st) {
    for (unsigned long i = 0; i < frames; ++i) {
      out[i] = static_cast<float>(std::sin(ph) * 0.5);
      ph += inc;
      if (ph >= sonavel::twoPi) ph -= sonavel::twoPi;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BaselineSineLoop);

enum class Part { Silence, Steady, Fade };

// Samples to play after a start to reach the part, and how many the part lasts.
std::uint64_t preroll(Part p) {
  return p == Part::Steady ? sonavel::fadeSamples : 0;
}
std::uint64_t span(Part p) {
  return p == Part::Steady ? sonavel::totalSamples - 2 * sonavel::fadeSamples
                           : sonavel::fadeSamples;
}

template <typename Rearm, typename Render>
void run(benchmark::State& st, Part part, Rearm rearm, Render render) {
  std::vector<float> out(sonavel::fadeSamples);
  auto prepare = [&] {
    if (part == Part::Silence) return;
    rearm();
    if (preroll(part)) render(out.data(), preroll(part));
  };
  prepare();
  std::uint64_t played = 0;
  for (auto _ : st) {
    if (part != Part::Silence && played + frames > span(part)) {
      st.PauseTiming();
      prepare();
      played = 0;
      st.ResumeTiming();
    }
    render(out.data(), frames);
    played += frames;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// A burst start's clear of the ring happens once per burst, not per buffer:
// sonavel_pa's audio thread makes it when it takes the start up, which a
// render of no samples does here, outside the timing, as sonavel's start
// makes it under the lock.
void BM_ModuleRender(benchmark::State& st) {
  run(
      st, static_cast<Part>(st.range(0)),
      [] {
        sonavel::start_burst(1000, 30);
        float none = 0.0f;
        sonavel::render_tone(&none, 0);
      },
      [](float* o, std::uint64_t n) { sonavel::render_tone(o, static_cast<unsigned long>(n)); });
}
BENCHMARK(BM_ModuleRender)->ArgName("silence0_steady1_fade2")->DenseRange(0, 2);

void BM_LockedRender(benchmark::State& st) {
  auto holder = sonavel::SharedToneState::create();
  run(
      st, static_cast<Part>(st.range(0)), [&] { sonavel::start_burst(*holder, 1000, 30); },
      [&](float* o, std::uint64_t n) { sonavel::render_locked<sonavel::F32Codec>(*holder, o, n); });
}
BENCHMARK(BM_LockedRender)->ArgName("silence0_steady1_fade2")->DenseRange(0, 2);

}  // namespace

BENCHMARK_MAIN();
