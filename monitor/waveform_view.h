// The waveform monitor panel: background, grid, captions, and the trace of
// the newest samples magnified by the inverse of the amplitude (or a message
// when there has been no recent output). Painting needs only a cairo context,
// so it can be drawn into an image surface without a display.
#pragma once

#include <cairo.h>

#include <string>

#include "monitor/waveform_frame.h"

namespace sonavel {

struct WaveformCaptions {
  std::string frequency;   // "Frequency: %d Hz"
  std::string amplitude;   // "Amplitude: %.8f  |  Output: %.6f%%  |  Zoom: x%.2f"
  std::string timeWindow;  // "Time Window: %.1f s"
};
WaveformCaptions waveform_captions(const WaveformFrame& frame);

// 1 / raw_amp, or 1 when there is no amplitude.
double zoom_factor(double raw_amp);

// Paints one whole panel of the given size. Main thread (or any thread that
// owns cr); keeps no state between calls.
void paint_waveform(cairo_t* cr, double width, double height, const WaveformFrame& frame);

}  // namespace sonavel
