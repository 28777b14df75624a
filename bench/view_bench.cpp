// The cost of one draw of the waveform view at the default window size (an
// area of 940 x 360), against a bare cairo paint of the same surface.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>

#include "monitor/waveform_frame.h"
#include "monitor/waveform_view.h"

namespace {

constexpr int kWidth = 940, kHeight = 360;

struct Surface {
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface{
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight), cairo_surface_destroy};
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr{cairo_create(surface.get()), cairo_destroy};
};

void BM_BaselineCairoPaint(benchmark::State& state) {
  Surface s;
  for (auto _ : state) {
    cairo_set_source_rgb(s.cr.get(), 0.1, 0.1, 0.1);
    cairo_paint(s.cr.get());
    cairo_surface_flush(s.surface.get());
  }
}
BENCHMARK(BM_BaselineCairoPaint);

// 0: nothing played yet (the message); 1: a steady 1000 Hz burst at -40 dB
// filling the default 0.5 s window.
void BM_WaveformDraw(benchmark::State& state) {
  Surface s;
  auto ring = std::make_unique<sonavel::WaveformHistory>();
  const double amp = 0.999999 * 0.01;
  if (state.range(0) == 1) {
    for (int i = 0; i < 40000; ++i) {
      ring->push(static_cast<float>(amp * std::sin(6.283185307179586 * 1000.0 * i / 44100.0)));
    }
  }
  sonavel::WaveformFrame frame;
  frame.freq = 1000;
  frame.raw_amp = amp;
  frame.seconds_visible = 0.5;
  frame.visible_samples = sonavel::visible_sample_count(0.5, sonavel::VisibleCountRule::Truncate);
  frame.ring = ring.get();
  frame.writePos = ring->write_pos();
  frame.ringHasRecentOutput = ring->any_above(1e-9f);
  for (auto _ : state) {
    sonavel::paint_waveform(s.cr.get(), kWidth, kHeight, frame);
    cairo_surface_flush(s.surface.get());
  }
}
BENCHMARK(BM_WaveformDraw)->ArgName("silence0_burst1")->DenseRange(0, 1);

}  // namespace

BENCHMARK_MAIN();
