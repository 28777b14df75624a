#include "monitor/waveform_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace sonavel {

namespace {

constexpr double sidePad = 14.0;  // left, right and top
constexpr double bottomPad = 20.0;
constexpr double centerRatio = 0.6;  // the zero line sits below the grid's middle
constexpr double traceReach = 0.42;  // of the usable height, for a steady-burst peak

std::string format(const char* fmt, auto... args) {
  char textbuf[256];
  std::snprintf(textbuf, sizeof textbuf, fmt, args...);
  return textbuf;
}

void show_text_at(cairo_t* cr, double x, double y, const std::string& text) {
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

// The trace's height at each column: one plotted sample per column.
struct TracePoints {
  std::vector<double> y;
  bool hasNonzero = false;  // any plotted sample above the recent-output threshold
};

TracePoints trace_points(const WaveformFrame& frame, double usable_w, double usable_h,
                         double center_y, double zoom) {
  const auto columns = usable_w > 0.0 ? static_cast<std::uint32_t>(usable_w) : 0u;
  TracePoints points;
  points.y.reserve(columns);
  for (std::uint32_t i = 0; i < columns; ++i) {
    const double frac = usable_w > 1.0 ? i / (usable_w - 1.0) : 0.0;
    const auto offset =
        static_cast<std::uint32_t>(static_cast<double>(frame.visibleSamples - 1) * frac);
    const float sample = frame.sample(offset);
    if (std::fabs(static_cast<double>(sample)) > recentOutputThreshold) points.hasNonzero = true;
    points.y.push_back(center_y - (sample * zoom) * (traceReach * usable_h));
  }
  return points;
}

// Fills the area that a 2-pixel line joining the points covers, to the
// nearest pixel: each join spans one column and is covered by a bar one column
// wide from the lower of its two ends to the higher, 1 pixel beyond each (half
// the line's width); the line ends square at its first and last points. Each
// bar is filled on its own, pixel-aligned and without antialiasing: a
// steady tone's line crosses itself at nearly every column, and stroking it,
// or filling all bars as one shape, costs many times more.
void fill_trace(cairo_t* cr, const std::vector<double>& ys) {
  constexpr double halfLine = 1.0;
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  for (std::size_t i = 1; i < ys.size(); ++i) {
    const double top = std::round(std::min(ys[i - 1], ys[i]) - halfLine);
    const double bottom = std::round(std::max(ys[i - 1], ys[i]) + halfLine);
    cairo_rectangle(cr, static_cast<double>(i - 1) + sidePad, top, 1.0, bottom - top);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

void show_no_output_message(cairo_t* cr, double center_y) {
  cairo_set_font_size(cr, 14);
  cairo_set_source_rgba(cr, 0.9, 0.75, 0.3, 0.95);
  show_text_at(cr, 20, center_y - 10, "No recent tone output");
}

}  // namespace

double zoom_factor(double raw_amp) {
  return raw_amp > 0.0 ? 1.0 / raw_amp : 1.0;
}

WaveformCaptions waveform_captions(const WaveformFrame& frame) {
  return {format("Frequency: %d Hz", frame.freq),
          format("Amplitude: %.8f  |  Output: %.6f%%  |  Zoom: x%.2f", frame.rawAmp,
                 100.0 * frame.rawAmp, zoom_factor(frame.rawAmp)),
          format("Time Window: %.1f s", frame.secondsVisible)};
}

void paint_waveform(cairo_t* cr, double width, double height, const WaveformFrame& frame) {
  const double left_pad = sidePad, right_pad = sidePad, top_pad = sidePad;
  const double bottom_pad = bottomPad;

  cairo_set_source_rgb(cr, 0.08, 0.08, 0.10);
  cairo_paint(cr);

  // No width is set for the border: it keeps the context's initial 2.0.
  cairo_set_source_rgb(cr, 0.18, 0.18, 0.22);
  cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
  cairo_stroke(cr);

  const double center_y = centerRatio * height;
  const double usable_w = width - left_pad - right_pad;
  const double usable_h = height - top_pad - bottom_pad;

  cairo_set_source_rgba(cr, 0.35, 0.35, 0.40, 0.7);
  cairo_set_line_width(cr, 1.0);
  for (int i = 0; i <= 8; ++i) {
    const double y = i * usable_h / 8 + top_pad;
    cairo_move_to(cr, left_pad, y);
    cairo_line_to(cr, width - right_pad, y);
  }
  for (int i = 0; i <= 10; ++i) {
    const double x = i * usable_w / 10 + left_pad;
    cairo_move_to(cr, x, top_pad);
    cairo_line_to(cr, x, height - bottom_pad);
  }
  cairo_stroke(cr);

  cairo_set_source_rgba(cr, 0.85, 0.85, 0.88, 0.8);
  cairo_set_line_width(cr, 1.3);
  cairo_move_to(cr, left_pad, center_y);
  cairo_line_to(cr, width - right_pad, center_y);
  cairo_stroke(cr);

  const WaveformCaptions captions = waveform_captions(frame);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 17);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
  show_text_at(cr, 20, 28, captions.frequency);
  cairo_set_font_size(cr, 15);
  show_text_at(cr, 20, 50, captions.amplitude);
  cairo_set_font_size(cr, 13);
  cairo_set_source_rgba(cr, 0.85, 0.90, 1.0, 0.85);
  show_text_at(cr, width - 160, 28, captions.timeWindow);

  cairo_set_font_size(cr, 12);
  cairo_set_source_rgba(cr, 0.75, 0.80, 0.90, 0.85);
  show_text_at(cr, left_pad, height - 6, "-");
  show_text_at(cr, width - right_pad - 28, height - 6, "now");

  const double zoom = zoom_factor(frame.rawAmp);
  if (frame.recentRule == RecentOutputRule::WholeRing) {
    // Decided over the whole ring before anything of the trace is drawn.
    if (!frame.ringHasRecentOutput) {
      show_no_output_message(cr, center_y);
      return;
    }
    cairo_set_source_rgb(cr, 0.2, 0.9, 0.3);
    fill_trace(cr, trace_points(frame, usable_w, usable_h, center_y, zoom).y);
    return;
  }
  // Decided from the plotted columns.
  const TracePoints points = trace_points(frame, usable_w, usable_h, center_y, zoom);
  if (points.hasNonzero) {
    cairo_set_source_rgb(cr, 0.2, 0.9, 0.3);
    fill_trace(cr, points.y);
  } else {
    show_no_output_message(cr, center_y);
  }
}

}  // namespace sonavel
