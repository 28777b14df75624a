// The waveform view's trace, from its points to its pixels: the pixels that
// a 2-pixel-wide line (wider at a device scale above 1) through one point per
// pixel column covers by half or more, as cairo would stroke it (butt ends,
// mitred joins with cairo's default limit of 10, bevelled beyond it), found
// column by column, then written in the trace colour over a copy of the
// panel's backdrop.
//
// A steady tone puts neighbouring columns at unrelated phases, so the line
// crosses itself at nearly every column; stroking it costs cairo many
// milliseconds per draw, and even filling the columns as rectangles costs
// about one. Here each column costs a few evaluations of how much of the
// column the line's outline covers at a row's centre, which is also how a
// pixel's coverage reaches one half: a straight edge across a pixel passes
// its centre exactly when it covers half of it.
#pragma once

#include <cairo.h>

#include <memory>
#include <vector>

#include "monitor/backdrop_rows.h"

namespace sonavel {

// The largest device scale the trace is drawn at (as GDK_SCALE=4 asks).
inline constexpr int maxTraceScale = 4;

// The covered rows of one pixel column, top and bottom included.
struct TraceSpan {
  int x;
  int top, bottom;
};

class TraceRasterizer {
 public:
  TraceRasterizer();
  ~TraceRasterizer();
  TraceRasterizer(const TraceRasterizer&) = delete;
  TraceRasterizer& operator=(const TraceRasterizer&) = delete;

  // Composes a panel into canvas: each row of backdrop (of canvas's size in
  // device pixels, at device scale `scale`), with the pixels of the line
  // through (left + i, ys[i]) for every i, in logical pixels, in the trace
  // colour, as a fill without antialiasing would leave them. No points: the
  // backdrop alone. One thread at a time.
  void compose(const std::vector<double>& ys, double left, int scale, const BackdropRows& backdrop,
               cairo_surface_t* canvas);

  // The spans of the line through (left + i, ys[i]) for every i, half_width
  // pixels to either side of it (1 to maxTraceScale), each pixel covered by
  // at least one half, within rows 0 to height - 1; left is a whole number of
  // pixels. Valid until the next call.
  const std::vector<TraceSpan>& spans(const std::vector<double>& ys, double left, int height,
                                      double half_width = 1.0);

 private:
  class Outline;
  std::unique_ptr<Outline> outline_;
  std::vector<TraceSpan> spans_;
  std::vector<double> devicePoints_;
  std::vector<int> tops_, bottoms_;
};

}  // namespace sonavel
