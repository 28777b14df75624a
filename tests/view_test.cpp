// The waveform panel painted into an image surface: no display needed.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <tuple>

#include "engine/cairo_owners.h"
#include "engine/tone_state.h"
#include "monitor/tone_link.h"
#include "monitor/waveform_view.h"
#include "support/module_tone_reset.h"

using namespace sonavel;

namespace {

struct Rgb {
  int r, g, b;
};

// A view-sized image, in logical pixels w x h; at a scale of 2 (a HiDPI
// screen) it has 2 x 2 device pixels for each, which at() and count() read.
class Canvas {
 public:
  Canvas(int w, int h, int scale = 1)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w * scale, h * scale)),
        w_(w),
        h_(h),
        scale_(scale) {
    cairo_surface_set_device_scale(surface_.get(), scale, scale);
  }
  // With a painter of its own for this one frame, or else with painter,
  // which keeps what it painted before.
  void paint(const WaveformFrame& frame, WaveformPainter* painter = nullptr) {
    const CairoContext cr(cairo_create(surface_.get()));
    if (painter != nullptr) {
      painter->paint(cr.get(), w_, h_, frame);
    } else {
      paint_waveform(cr.get(), w_, h_, frame);
    }
    cairo_surface_flush(surface_.get());
  }
  bool same_pixels(const Canvas& other) const {
    const int bytes = cairo_image_surface_get_stride(surface_.get()) * h_ * scale_;
    return w_ == other.w_ && h_ == other.h_ &&
           std::memcmp(cairo_image_surface_get_data(surface_.get()),
                       cairo_image_surface_get_data(other.surface_.get()), bytes) == 0;
  }
  Rgb at(int x, int y) const {
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    const auto px = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
    return {static_cast<int>((px >> 16) & 0xff), static_cast<int>((px >> 8) & 0xff),
            static_cast<int>(px & 0xff)};
  }
  bool is_trace(int x, int y) const {
    const Rgb c = at(x, y);
    return c.g > 150 && c.r < 120 && c.b < 150;
  }
  bool is_message(int x, int y) const {
    const Rgb c = at(x, y);
    return c.r > 150 && c.g > 100 && c.b < 120;
  }
  int count(bool (Canvas::*pred)(int, int) const, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (this->*pred)(x, y);
    return n;
  }
  int w() const { return w_; }
  int h() const { return h_; }

 private:
  CairoSurface surface_;
  int w_, h_, scale_;
};

// A frame showing the newest `visible` samples of a ring as it stands.
WaveformFrame frame_over(const WaveformHistory& ring, double raw_amp, std::uint32_t visible,
                         RecentOutputRule rule = RecentOutputRule::PlottedColumns) {
  WaveformFrame frame;
  frame.rawAmp = raw_amp;
  frame.seconds_visible = visible / 44100.0;
  frame.visible_samples = visible;
  frame.ring = &ring;
  frame.write_pos_snapshot = ring.write_pos();
  frame.recentRule = rule;
  frame.ringHasRecentOutput = ring_has_recent_output(ring);
  return frame;
}

// A frame over a ring filled with one value (0 for silence).
struct RingFrame {
  WaveformHistory ring;
  WaveformFrame frame;
  RingFrame(double raw_amp, float fill, RecentOutputRule rule, double seconds = 0.5) {
    for (std::size_t i = 0; i < historyLength; ++i) ring.push_waveform_sample(fill);
    frame =
        frame_over(ring, raw_amp, visible_sample_count(seconds, VisibleCountRule::Truncate), rule);
    frame.freq = 1000;
    frame.seconds_visible = seconds;
  }
};

void expect_near(Rgb c, double r, double g, double b, const char* what) {
  EXPECT_NEAR(c.r, r * 255, 3) << what;
  EXPECT_NEAR(c.g, g * 255, 3) << what;
  EXPECT_NEAR(c.b, b * 255, 3) << what;
}

}  // namespace

TEST(WaveformView, BackgroundBorderGridAndCentreLine) {
  RingFrame f(0.999999, 0.0f, RecentOutputRule::PlottedColumns);
  Canvas c(600, 360);
  c.paint(f.frame);
  expect_near(c.at(560, 300), 0.08, 0.08, 0.10, "background inside a grid cell");
  expect_near(c.at(0, 120), 0.18, 0.18, 0.22, "border, fully covered column");
  // Grid line y = 14 and the centre line at y = 0.6 * 360 = 216 are each
  // antialiased over two rows: between the background and their colour, bluish
  // grey, and the centre line the brighter.
  const Rgb grid = c.at(300, 14), centre = c.at(300, 216);
  EXPECT_GT(grid.r, 30);
  EXPECT_LT(grid.r, 0.35 * 255);
  EXPECT_EQ(grid.r, grid.g);
  EXPECT_GT(grid.b, grid.r);
  EXPECT_GT(centre.r, 100);
  EXPECT_LT(centre.r, 0.85 * 255);
  EXPECT_EQ(centre.r, centre.g);
  EXPECT_GT(centre.b, centre.r);
  expect_near(c.at(310, 224), 0.08, 0.08, 0.10, "inside the cell below the centre line");
  // Vertical grid lines at x = 14 + i * 57.2; the sixth at 300.
  EXPECT_GT(c.at(300, 100).r, 35) << "vertical grid line through x = 300";
  EXPECT_LT(c.at(310, 100).r, 25) << "no line at x = 310";
}

TEST(WaveformView, CaptionsAtStartUpAndAtSixtyAndOneHundredTwentyDecibels) {
  // The start-up frame, straight from the tone state as the program starts.
  sonavel_test::reset_module_tone();
  auto link = make_module_tone_link();
  WaveformFrame frame;
  auto copy = std::make_unique<WaveformCopy>();
  link->take_frame(sonavelPaChoices, frame, *copy);
  auto captions = waveform_captions(frame);
  EXPECT_EQ(captions.frequency, "Frequency: 20 Hz");
  EXPECT_EQ(captions.amplitude, "Amplitude: 0.99999900  |  Output: 99.999900%  |  Zoom: x1.00");
  EXPECT_EQ(captions.timeWindow, "Time Window: 0.5 s");

  link->prepare_burst(1000, 60);
  link->commit_burst(1000, 60);
  link->set_time_window(1.3);
  link->take_frame(sonavelPaChoices, frame, *copy);
  captions = waveform_captions(frame);
  EXPECT_EQ(captions.frequency, "Frequency: 1000 Hz");
  EXPECT_EQ(captions.amplitude, "Amplitude: 0.00100000  |  Output: 0.100000%  |  Zoom: x1000.00");
  EXPECT_EQ(captions.timeWindow, "Time Window: 1.3 s");

  auto locked = make_locked_tone_link(SharedToneState::create());
  locked->commit_burst(16000, 120);
  locked->take_frame(sonavelChoices, frame, *copy);
  captions = waveform_captions(frame);
  EXPECT_EQ(captions.frequency, "Frequency: 16000 Hz");
  EXPECT_EQ(captions.amplitude,
            "Amplitude: 0.00000100  |  Output: 0.000100%  |  Zoom: x1000001.00");

  // The captions are drawn: bright text pixels where each one stands.
  Canvas c(600, 360);
  RingFrame silent(0.999999, 0.0f, RecentOutputRule::PlottedColumns);
  c.paint(silent.frame);
  auto bright = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += c.at(x, y).r > 180 && c.at(x, y).b > 180;
    return n;
  };
  EXPECT_GT(bright(20, 14, 200, 29), 40) << "frequency caption";
  EXPECT_GT(bright(20, 38, 400, 51), 60) << "amplitude caption";
  EXPECT_GT(bright(440, 18, 590, 29), 30) << "time-window caption";
}

TEST(WaveformView, SteadyBurstSpansTheSameHeightAtAnyLevel) {
  // Area 360 high: centre 216, usable height 326, peak 0.42 * 326 = 136.92.
  for (double raw_amp : {0.999999, 0.999999e-3, 0.999999e-6}) {
    for (float sign : {1.0f, -1.0f}) {
      RingFrame f(raw_amp, sign * static_cast<float>(raw_amp), RecentOutputRule::PlottedColumns);
      Canvas c(600, 360);
      c.paint(f.frame);
      // The line (width 2) is centred on y = 79.08 or 352.92.
      const int row = sign > 0 ? 79 : 352;
      EXPECT_TRUE(c.is_trace(300, row)) << raw_amp << " " << sign;
      EXPECT_FALSE(c.is_trace(300, sign > 0 ? 76 : 356)) << raw_amp << " " << sign;
      // First point at x = 14, last at width - 15 (butt caps).
      EXPECT_TRUE(c.is_trace(14, row));
      EXPECT_FALSE(c.is_trace(13, row));
      EXPECT_TRUE(c.is_trace(c.w() - 16, row));
      EXPECT_FALSE(c.is_trace(c.w() - 15, row));
      EXPECT_EQ(c.count(&Canvas::is_message, 20, 190, 230, 210), 0);
    }
  }
}

TEST(WaveformView, TraceFollowsTheNewestSamplesOldestFirst) {
  // Oldest half of the window negative, newest half positive.
  WaveformHistory ring;
  const std::uint32_t visible = visible_sample_count(0.5, VisibleCountRule::Truncate);
  ASSERT_EQ(visible, 22050u);
  for (std::uint32_t i = 0; i < visible; ++i)
    ring.push_waveform_sample(i < visible / 2 ? -0.5f : 0.5f);
  Canvas c(600, 360);
  c.paint(frame_over(ring, 0.5, visible));
  EXPECT_TRUE(c.is_trace(100, 352)) << "left (older) half below the centre";
  EXPECT_TRUE(c.is_trace(500, 79)) << "right (newer) half above the centre";
}

// The trace is the 2-pixel line joining one point per column, as bold as
// cairo strokes it: a steady tone at each of these frequencies and windows,
// painted by the view and stroked by cairo through the same points, covers
// (by half or more) nearly the same pixels, from the same top to the same
// bottom of every column, give or take a row.
// At a device scale of 2 the same line is drawn in the screen's own pixels,
// twice as fine, not enlarged.
TEST(WaveformView, TraceCoversWhatTheJoinedTwoPixelLineCovers) {
  constexpr int width = 940, height = 360;
  for (const auto& [hz, seconds, scale] : {std::tuple{25.0, 0.5, 1},
                                           {100.0, 0.5, 1},
                                           {1000.0, 0.1, 1},
                                           {1000.0, 0.5, 1},
                                           {4000.0, 0.5, 1},
                                           {16000.0, 0.5, 1},
                                           {100.0, 0.5, 2},
                                           {1000.0, 0.5, 2},
                                           {16000.0, 0.5, 2}}) {
    WaveformHistory ring;
    for (int i = 0; i < 40000; ++i)
      ring.push_waveform_sample(static_cast<float>(0.5 * std::sin(2 * M_PI * hz * i / 44100)));
    const std::uint32_t visible = visible_sample_count(seconds, VisibleCountRule::Truncate);
    const WaveformFrame frame = frame_over(ring, 0.5, visible);
    Canvas view(width, height, scale);
    view.paint(frame);

    // The line through the points: x = 14 + i, the i-th of 912 columns
    // showing sample trunc(i / 911 x (visible - 1)), 0.42 of the usable
    // height (326) per unit of the zoomed sample above the zero line at 216.
    const CairoSurface line_surface(
        cairo_image_surface_create(CAIRO_FORMAT_A8, width * scale, height * scale));
    cairo_surface_set_device_scale(line_surface.get(), scale, scale);
    const CairoContext cr(cairo_create(line_surface.get()));
    cairo_set_line_width(cr.get(), 2.0);
    for (int i = 0; i < 912; ++i) {
      const float sample = frame.sample(static_cast<std::uint32_t>((visible - 1) * (i / 911.0)));
      cairo_line_to(cr.get(), 14 + i, 216 - sample / 0.5 * 0.42 * 326);
    }
    cairo_stroke(cr.get());
    cairo_surface_flush(line_surface.get());
    const unsigned char* alpha = cairo_image_surface_get_data(line_surface.get());
    const int stride = cairo_image_surface_get_stride(line_surface.get());

    int line_pixels = 0, trace_pixels = 0, columns_off = 0;
    for (int x = 0; x < width * scale; ++x) {
      int line_top = -1, line_bottom = -1, top = -1, bottom = -1;
      for (int y = 0; y < height * scale; ++y) {
        if (alpha[y * stride + x] >= 128) {
          ++line_pixels;
          if (line_top < 0) line_top = y;
          line_bottom = y;
        }
        if (view.is_trace(x, y)) {
          ++trace_pixels;
          if (top < 0) top = y;
          bottom = y;
        }
      }
      columns_off += std::abs(top - line_top) > 1 || std::abs(bottom - line_bottom) > 1;
    }
    EXPECT_NEAR(trace_pixels, line_pixels, 0.1 * line_pixels)
        << hz << " Hz, " << seconds << " s, scale " << scale;
    EXPECT_EQ(columns_off, 0) << hz << " Hz, " << seconds << " s, scale " << scale;
  }
}

// Recent output is any sample above 1e-9 in magnitude, however zoomed: at
// 120 dB the fade-in stays below it for its first 0.31 s.
TEST(WaveformView, MessageInsteadOfTraceWithoutRecentOutput) {
  for (const ProgramChoices& program : {sonavelPaChoices, sonavelChoices}) {
    for (const float fill : {0.0f, 0.9e-9f, 2e-9f}) {
      RingFrame f(4e-9, fill, program.recentOutput);
      Canvas c(600, 360);
      c.paint(f.frame);
      const bool shown = fill > 1e-9f;
      EXPECT_EQ(c.count(&Canvas::is_message, 20, 190, 230, 210) > 50, !shown) << fill;
      EXPECT_EQ(c.count(&Canvas::is_trace, 0, 60, 600, 360) > 100, shown) << fill;
    }
  }
}

// One loud sample outside the visible window: sonavel, which looks at the
// whole ring, still draws a (flat) trace; sonavel_pa, which looks at the
// plotted columns, shows the message.
TEST(WaveformView, ProgramsDifferInWhatCountsAsRecentOutput) {
  WaveformHistory ring;
  ring.push_waveform_sample(0.5f);
  for (std::size_t i = 1; i < historyLength; ++i) ring.push_waveform_sample(0.0f);
  for (const ProgramChoices* program : {&sonavelPaChoices, &sonavelChoices}) {
    const bool is_pa = program == &sonavelPaChoices;
    Canvas c(600, 360);
    c.paint(frame_over(ring, 0.5, 4410, program->recentOutput));
    EXPECT_EQ(c.count(&Canvas::is_message, 20, 190, 230, 210) > 50, is_pa);
    EXPECT_EQ(c.count(&Canvas::is_trace, 14, 210, 586, 222) > 100, !is_pa)
        << "a flat trace on the centre line";
  }
}

// A painter that keeps its backdrop between draws paints each new frame
// exactly as a fresh one does, whatever changed: a caption, the message,
// only the trace (none of the last one left) or the size.
TEST(WaveformView, AKeptPainterRepaintsWhatChanged) {
  RingFrame sounding(0.5, 0.5f, RecentOutputRule::PlottedColumns);
  RingFrame lower(0.5, 0.25f, RecentOutputRule::PlottedColumns);
  RingFrame silent(0.5, 0.0f, RecentOutputRule::PlottedColumns);
  WaveformFrame other_band = sounding.frame, other_level = sounding.frame,
                other_span = sounding.frame;
  other_band.freq = 2000;
  other_level.rawAmp = 0.05;
  other_span.seconds_visible = 0.7;
  const std::tuple<const WaveformFrame*, int, int, const char*> steps[] = {
      {&sounding.frame, 600, 360, "first"},   {&other_band, 600, 360, "frequency"},
      {&other_level, 600, 360, "amplitude"},  {&other_span, 600, 360, "time window"},
      {&silent.frame, 600, 360, "message"},   {&sounding.frame, 600, 360, "trace again"},
      {&lower.frame, 600, 360, "trace only"}, {&sounding.frame, 500, 300, "size"}};
  WaveformPainter kept;
  for (const auto& [frame, w, h, what] : steps) {
    Canvas with_kept(w, h), fresh(w, h);
    with_kept.paint(*frame, &kept);
    fresh.paint(*frame);
    EXPECT_TRUE(with_kept.same_pixels(fresh)) << what;
  }
}

// The backdrop kept as its distinct rows gives back every row as painted:
// runs of equal rows, a row that differs from the one above in its last pixel
// only, and a row equal to one further up.
TEST(WaveformView, TheKeptBackdropGivesBackEveryRow) {
  const int w = 37, h = 9;
  const CairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(image.get()));
  const int stride = cairo_image_surface_get_stride(image.get()) / 4;
  const std::uint32_t colour_of_row[h] = {1, 1, 1, 2, 2, 3, 1, 1, 4};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) px[y * stride + x] = 0x101010u * colour_of_row[y] + x;
  }
  px[4 * stride + w - 1] = 0xffffffu;  // row 4: row 3 but for its last pixel
  cairo_surface_mark_dirty(image.get());
  BackdropRows rows;
  rows.take(image.get());
  ASSERT_EQ(rows.width(), w);
  ASSERT_EQ(rows.height(), h);
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(std::memcmp(rows.row(y), px + y * stride, w * 4), 0) << "row " << y;
  }
}

// At a device scale of 2 the captions are drawn at the screen's resolution:
// their bright pixels grow with the area, four times, as text drawn directly
// at that scale does (text enlarged from scale 1 gives little over twice).
TEST(WaveformView, AtScaleTwoTheCaptionsAreDrawnNotEnlarged) {
  RingFrame silent(0.5, 0.0f, RecentOutputRule::PlottedColumns);
  auto bright = [](const Canvas& c, int scale) {
    int n = 0;
    for (int y = 0; y < 60 * scale; ++y) {
      for (int x = 0; x < 420 * scale; ++x) {
        const Rgb p = c.at(x, y);
        n += p.r > 200 && p.g > 200 && p.b > 200;
      }
    }
    return n;
  };
  Canvas one(600, 360), two(600, 360, 2);
  one.paint(silent.frame);
  two.paint(silent.frame);
  const int at_one = bright(one, 1), at_two = bright(two, 2);
  ASSERT_GT(at_one, 200) << "the captions are drawn";
  EXPECT_GT(at_two, 3.5 * at_one) << at_one << " bright pixels at scale 1, " << at_two << " at 2";
}

TEST(WaveformView, NarrowAreasHaveNoVisibleTrace) {
  for (int width : {28, 29}) {
    for (auto rule : {RecentOutputRule::PlottedColumns, RecentOutputRule::WholeRing}) {
      RingFrame f(0.5, 0.5f, rule);
      Canvas c(width, 360);
      c.paint(f.frame);
      EXPECT_EQ(c.count(&Canvas::is_trace, 0, 0, width, 360), 0) << width;
      // With no column plotted the live rule always shows the message; a
      // single column (29) has a recent sample, so no message there.
      const bool message = c.count(&Canvas::is_message, 0, 190, width, 210) > 0;
      const bool expected = rule == RecentOutputRule::PlottedColumns && width == 28;
      EXPECT_EQ(message, expected) << width;
    }
  }
}

TEST(WaveformView, VisibleSampleCounts) {
  EXPECT_EQ(visible_sample_count(0.7, VisibleCountRule::Truncate), 30869u);
  EXPECT_EQ(visible_sample_count(0.7, VisibleCountRule::Round), 30870u);
  EXPECT_EQ(visible_sample_count(0.1, VisibleCountRule::Truncate), 4410u);
  for (double s : {0.8, 1.0, 2.0}) {
    EXPECT_EQ(visible_sample_count(s, VisibleCountRule::Truncate), 32768u);
    EXPECT_EQ(visible_sample_count(s, VisibleCountRule::Round), 32768u);
  }
  EXPECT_EQ(visible_sample_count(0.0, VisibleCountRule::Round), 2u);
  EXPECT_EQ(visible_sample_count(-1.0, VisibleCountRule::Truncate), 2u);
  // The tenths the slider offers differ only at 0.7.
  for (int tenth = 1; tenth <= 20; ++tenth) {
    const double s = tenth / 10.0;
    if (tenth == 7) continue;
    EXPECT_EQ(visible_sample_count(s, VisibleCountRule::Truncate),
              visible_sample_count(s, VisibleCountRule::Round))
        << s;
  }
}
