#include "monitor/waveform_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// The trace's height at each column, one plotted sample per column, into ys.
// Returns whether any plotted sample is above the recent-output threshold.
bool trace_points(const WaveformFrame& frame, double usable_w, double usable_h, double center_y,
                  double zoom, std::vector<double>& ys) {
  const auto columns = usable_w > 0.0 ? static_cast<std::uint32_t>(usable_w) : 0u;
  bool has_nonzero = false;
  ys.resize(columns);
  for (std::uint32_t i = 0; i < columns; ++i) {
    const double frac = usable_w > 1.0 ? i / (usable_w - 1.0) : 0.0;
    const auto offset =
        static_cast<std::uint32_t>(static_cast<double>(frame.visible_samples - 1) * frac);
    const float sample = frame.sample(offset);
    if (std::fabs(static_cast<double>(sample)) > recentOutputThreshold) has_nonzero = true;
    ys[i] = center_y - (sample * zoom) * (traceReach * usable_h);
  }
  return has_nonzero;
}

void show_no_output_message(cairo_t* cr, double center_y, const std::string& text) {
  cairo_set_font_size(cr, 14);
  cairo_set_source_rgba(cr, 0.9, 0.75, 0.3, 0.95);
  show_text_at(cr, 20, center_y - 10, text);
}

}  // namespace

double zoom_factor(double raw_amp) {
  return raw_amp > 0.0 ? 1.0 / raw_amp : 1.0;
}

WaveformCaptions waveform_captions(const WaveformFrame& frame) {
  return {format("Frequency: %d Hz", frame.freq),
          format("Amplitude: %.8f  |  Output: %.6f%%  |  Zoom: x%.2f", frame.rawAmp,
                 100.0 * frame.rawAmp, zoom_factor(frame.rawAmp)),
          format("Time Window: %.1f s", frame.seconds_visible)};
}

namespace {

// The panel without its trace: background, border, grid, centre line,
// captions, end labels and, when there is no recent output, the message.
void paint_backdrop(cairo_t* cr, double width, double height, const WaveformCaptions& captions,
                    const std::string& message) {
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

  if (!message.empty()) show_no_output_message(cr, center_y, message);
}

}  // namespace

void WaveformPainter::paint(cairo_t* cr, double width, double height, const WaveformFrame& frame) {
  // The panel is composed in the target's own pixels: on a HiDPI screen
  // (GDK_SCALE=2) each logical pixel is scale x scale of them, and text and
  // trace are drawn at that resolution rather than enlarged.
  double scale_x = 1.0, scale_y = 1.0;
  cairo_surface_get_device_scale(cairo_get_target(cr), &scale_x, &scale_y);
  const int scale = std::clamp(static_cast<int>(std::lround(scale_x)), 1, maxTraceScale);
  const int w = static_cast<int>(std::ceil(width * scale));
  const int h = static_cast<int>(std::ceil(height * scale));
  if (w <= 0 || h <= 0) return;
  const double center_y = centerRatio * height;
  const double usable_w = width - 2 * sidePad;
  const double usable_h = height - sidePad - bottomPad;

  // sonavel decides over the whole ring, before the trace, whose points are
  // then not needed for the message; sonavel_pa from the plotted columns.
  const bool whole_ring = frame.recentRule == RecentOutputRule::WholeRing;
  const bool has_nonzero = whole_ring ? frame.ringHasRecentOutput
                                      : trace_points(frame, usable_w, usable_h, center_y,
                                                     zoom_factor(frame.rawAmp), points_);
  if (whole_ring && has_nonzero) {
    trace_points(frame, usable_w, usable_h, center_y, zoom_factor(frame.rawAmp), points_);
  }
  // A notice about the output stands instead of any trace.
  const bool message = !has_nonzero || frame.notice != nullptr;
  const char* text = frame.notice != nullptr ? frame.notice : noOutputMessage;

  WaveformCaptions captions = waveform_captions(frame);
  if (!canvas_ || w != width_ || h != height_ || scale != scale_ || message != message_ ||
      (message && messageText_ != text) || captions.frequency != captions_.frequency ||
      captions.amplitude != captions_.amplitude || captions.timeWindow != captions_.timeWindow) {
    if (!canvas_ || w != width_ || h != height_ || scale != scale_) {
      // An image the target can take without a copy of its own: on an X
      // server, memory it shares with the client.
      canvas_.reset(
          cairo_surface_create_similar_image(cairo_get_target(cr), CAIRO_FORMAT_RGB24, w, h));
      cairo_surface_set_device_scale(canvas_.get(), scale, scale);
    }
    {
      // The backdrop is painted in the canvas and its rows kept from there,
      // so the view holds no second image of the panel.
      const CairoContext bcr(cairo_create(canvas_.get()));
      // Text as the screen would render it.
      const CairoFontOptions options(cairo_font_options_create());
      cairo_surface_get_font_options(cairo_get_target(cr), options.get());
      cairo_set_font_options(bcr.get(), options.get());
      messageText_ = message ? text : "";
      paint_backdrop(bcr.get(), width, height, captions, messageText_);
    }
    cairo_surface_flush(canvas_.get());
    backdrop_.take(canvas_.get());
    width_ = w, height_ = h, scale_ = scale, message_ = message, captions_ = std::move(captions);
  }

  static const std::vector<double> noTrace;
  trace_.compose(message ? noTrace : points_, sidePad, scale, backdrop_, canvas_.get());

  cairo_save(cr);
  cairo_set_source_surface(cr, canvas_.get(), 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
}

void paint_waveform(cairo_t* cr, double width, double height, const WaveformFrame& frame) {
  WaveformPainter().paint(cr, width, height, frame);
}

}  // namespace sonavel
