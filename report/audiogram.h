// The levels as an audiogram: level against frequency on a logarithmic axis
// from 25 Hz to 16 kHz, -120 dBFS at the top and 0 dBFS at the bottom as on
// the band sliders (so a point sits where its slider's knob sits, and better
// hearing plots higher, as an audiogram is read), each band that was set a
// filled circle joined to the next one set. Drawn with
// cairo onto any surface, of any size (1200 x 800 is the one saved).
#pragma once

#include <cairo.h>

#include <string>

#include "report/band_levels.h"

namespace sonavel {

inline constexpr double audiogramWidth = 1200, audiogramHeight = 800;

// The chart's plot area and where a band and a level fall in it.
struct AudiogramGeometry {
  double left = 110, right = 1150, top = 110, bottom = 700;  // of a 1200 x 800 chart
  double x_for(double hz) const;
  double y_for(int attenuation_db) const;
};

// Paints the whole chart into a 1200 x 800 area; title is its first line.
void paint_audiogram(cairo_t* cr, const BandLevels& levels, const std::string& title);
// The same for a check: once an ear has levels of its own, the right ear's
// results are red rings (O) and the left ear's blue crosses (X), each joined
// by a line of its own (the left dashed), beside both ears' circles, with a
// legend.
void paint_audiogram(cairo_t* cr, const CheckLevels& levels, const std::string& title);

}  // namespace sonavel
