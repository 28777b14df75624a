// The waveform monitor panel: background, grid, captions, and the trace of
// the newest samples magnified by the inverse of the amplitude (or a message
// when there has been no recent output). Painting needs only a cairo context,
// so it can be drawn into an image surface without a display.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "engine/cairo_owners.h"
#include "monitor/backdrop_rows.h"
#include "monitor/waveform_frame.h"
#include "monitor/waveform_trace.h"

namespace sonavel {

// What the view says when no tone has sounded lately.
inline constexpr const char* noOutputMessage = "No recent tone output";

struct WaveformCaptions {
  std::string frequency;   // "Frequency: %d Hz"
  std::string amplitude;   // "Amplitude: %.8f  |  Output: %.6f%%  |  Zoom: x%.2f"
  std::string timeWindow;  // "Time Window: %.1f s"
};
WaveformCaptions waveform_captions(const WaveformFrame& frame);

// 1 / raw_amp, or 1 when there is no amplitude.
double zoom_factor(double raw_amp);

// Paints whole panels, one per call. Between calls it keeps the panel without
// its trace (as its distinct rows) for as long as the size, the captions and
// the choice between trace and message stay the same, and the image each
// panel is composed in: a draw then copies the rows into the image, writes
// the trace's pixels and paints the result in one go, which is cheap for a
// window on an X server as well as for an image. Main thread (or any one
// thread that owns cr).
class WaveformPainter {
 public:
  void paint(cairo_t* cr, double width, double height, const WaveformFrame& frame);
  // What the last paint showed: its captions, and whether a message ("No
  // recent tone output", or the frame's notice) stood instead of a trace,
  // and which.
  const WaveformCaptions& captions() const { return captions_; }
  bool shows_message() const { return message_; }
  const std::string& message() const { return messageText_; }

 private:
  BackdropRows backdrop_;
  CairoSurface canvas_;
  TraceRasterizer trace_;
  std::vector<double> points_;
  int width_ = 0, height_ = 0, scale_ = 1;  // the panel's device pixels and scale
  bool message_ = false;
  std::string messageText_;
  WaveformCaptions captions_;
};

// One panel with a painter of its own.
void paint_waveform(cairo_t* cr, double width, double height, const WaveformFrame& frame);

}  // namespace sonavel
