// The cost of one draw of the waveform view at the default window size (an
// area of 940 x 360), against a bare cairo paint of the same surface; and how
// long sonavel's view holds the tone-state lock for its copy.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>

#include "engine/cairo_owners.h"
#include "engine/tone_state.h"
#include "monitor/tone_link.h"
#include "monitor/waveform_frame.h"
#include "monitor/waveform_view.h"

namespace {

constexpr int width = 940, height = 360;

// The view's surface, at a HiDPI screen's scale when scale is 2: then it has
// scale x scale pixels for each of the view's points, as GDK_SCALE=2 gives.
struct Surface {
  explicit Surface(int scale = 1)
      : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale)) {
    cairo_surface_set_device_scale(surface.get(), scale, scale);
    cr.reset(cairo_create(surface.get()));
  }
  sonavel::CairoSurface surface;
  sonavel::CairoContext cr;
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
// filling the default 0.5 s window. BM_WaveformDrawHiDpi: the steady burst at
// scale 2.
void draw_waveform(benchmark::State& state, bool burst, int scale) {
  Surface s(scale);
  auto ring = std::make_unique<sonavel::WaveformHistory>();
  const double amp = 0.999999 * 0.01;
  if (burst) {
    for (int i = 0; i < 40000; ++i) {
      ring->push_waveform_sample(
          static_cast<float>(amp * std::sin(6.283185307179586 * 1000.0 * i / 44100.0)));
    }
  }
  sonavel::WaveformFrame frame;
  frame.freq = 1000;
  frame.rawAmp = amp;
  frame.seconds_visible = 0.5;
  frame.visible_samples = sonavel::visible_sample_count(0.5, sonavel::VisibleCountRule::Truncate);
  frame.ring = ring.get();
  frame.write_pos_snapshot = ring->write_pos();
  frame.ringHasRecentOutput = ring->any_above(1e-9f);
  sonavel::WaveformPainter painter;  // kept from draw to draw, as the view keeps it
  for (auto _ : state) {
    painter.paint(s.cr.get(), width, height, frame);
    cairo_surface_flush(s.surface.get());
  }
}
void BM_WaveformDraw(benchmark::State& state) {
  draw_waveform(state, state.range(0) == 1, 1);
}
BENCHMARK(BM_WaveformDraw)->ArgName("silence0_burst1")->DenseRange(0, 1);
void BM_WaveformDrawHiDpi(benchmark::State& state) {
  draw_waveform(state, true, 2);
}
BENCHMARK(BM_WaveformDrawHiDpi);

// sonavel's view takes its frame under the tone-state lock: at the longest
// time window that is a copy of the whole ring and one scan of it. The audio
// thread waits at most this long for the lock.
void BM_LockedFrameCopy(benchmark::State& state) {
  auto holder = sonavel::SharedToneState::create();
  auto link = sonavel::make_locked_tone_link(holder);
  link->set_time_window(2.0);
  auto copy = std::make_unique<sonavel::WaveformCopy>();
  sonavel::WaveformFrame frame;
  for (auto _ : state) {
    link->take_frame(sonavel::sonavelChoices, frame, *copy);
    benchmark::DoNotOptimize(frame);
  }
}
BENCHMARK(BM_LockedFrameCopy)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
