#include "report/audiogram.h"

#include <cmath>
#include <cstdio>

namespace sonavel {

namespace {

constexpr double lowestHz = 25, highestHz = 16000;
constexpr int deepestDb = 120;
// Labelled frequencies: one per octave, all of them bands.
constexpr int octaves[] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

struct Rgb {
  double r, g, b;
};
constexpr Rgb ink{0.13, 0.14, 0.16}, muted{0.42, 0.44, 0.48}, grid{0.86, 0.87, 0.89},
    accent{0.12, 0.36, 0.74};
// An audiogram's own colours: the right ear red, the left ear blue.
constexpr Rgb rightEar{0.80, 0.10, 0.10}, leftEar{0.08, 0.16, 0.90};
constexpr Rgb warning{0.62, 0.26, 0.0};

void set_colour(cairo_t* cr, const Rgb& c) {
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

enum class Align { Left, Centre, Right };

void text_at(cairo_t* cr, double x, double y, const std::string& text, Align align) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  const double width = extents.x_advance;
  cairo_move_to(cr,
                align == Align::Left     ? x
                : align == Align::Centre ? x - width / 2
                                         : x - width,
                y);
  cairo_show_text(cr, text.c_str());
}

// The mark of a result: both ears a filled circle, the right ear a ring (O)
// and the left ear a cross (X), so that the ear never hangs on colour alone.
enum class Mark { Dot, Ring, Cross };
constexpr double markRadius = 7;

void draw_mark(cairo_t* cr, Mark mark, double x, double y, const Rgb& colour) {
  cairo_new_sub_path(cr);
  if (mark == Mark::Cross) {
    set_colour(cr, colour);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, x - markRadius, y - markRadius);
    cairo_line_to(cr, x + markRadius, y + markRadius);
    cairo_move_to(cr, x + markRadius, y - markRadius);
    cairo_line_to(cr, x - markRadius, y + markRadius);
    cairo_stroke(cr);
    return;
  }
  cairo_arc(cr, x, y, markRadius, 0, 2 * M_PI);
  if (mark == Mark::Ring) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    set_colour(cr, colour);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    return;
  }
  set_colour(cr, colour);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
}

// One ear's results: the set bands joined in frequency order (the left ear's
// line dashed), each with its mark.
void plot_results(cairo_t* cr, const AudiogramGeometry& g, const BandLevels& levels, Mark mark,
                  const Rgb& colour) {
  set_colour(cr, colour);
  cairo_set_line_width(cr, 2.5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  const double dash[] = {10, 6};
  cairo_set_dash(cr, dash, mark == Mark::Cross ? 2 : 0, 0);
  bool first = true;
  for (std::size_t i = 0; i < bandCount; ++i) {
    if (!levels.set[i]) continue;
    const double x = g.x_for(bands[i]), y = g.y_for(levels.attenuationDb[i]);
    first ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    first = false;
  }
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  for (std::size_t i = 0; i < bandCount; ++i) {
    if (!levels.set[i]) continue;
    draw_mark(cr, mark, g.x_for(bands[i]), g.y_for(levels.attenuationDb[i]), colour);
  }
}

std::string hz_label(int hz) {
  char text[16];
  if (hz >= 1000) {
    std::snprintf(text, sizeof text, "%dk", hz / 1000);
  } else {
    std::snprintf(text, sizeof text, "%d", hz);
  }
  return text;
}

}  // namespace

double AudiogramGeometry::x_for(double hz) const {
  return left + (std::log(hz) - std::log(lowestHz)) / (std::log(highestHz) - std::log(lowestHz)) *
                    (right - left);
}

double AudiogramGeometry::y_for(int attenuation_db) const {
  return bottom - attenuation_db * (bottom - top) / deepestDb;
}

void paint_audiogram(cairo_t* cr, const BandLevels& levels, const std::string& title) {
  CheckLevels check;
  check.of(Ear::Both) = levels;
  paint_audiogram(cr, check, title);
}

namespace {

// The title, what is plotted, and the output the levels were set through.
void paint_heading(cairo_t* cr, const AudiogramGeometry& g, const CheckLevels& check,
                   const std::string& title) {
  const bool sides = check.sides_set();
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  int set = 0;
  for (const BandLevels& ear : check.byEar) {
    for (bool s : ear.set) set += s;
  }
  set_colour(cr, ink);
  cairo_set_font_size(cr, 26);
  text_at(cr, g.left, 52, title, Align::Left);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 15);
  set_colour(cr, muted);
  char subtitle[160];
  if (sides) {
    std::snprintf(subtitle, sizeof subtitle,
                  "The level at which each band's tone was last set for each ear. "
                  "Bands never moved are not plotted.");
  } else {
    std::snprintf(subtitle, sizeof subtitle,
                  "The level at which each band's tone was last set, %d of %zu bands. "
                  "Bands never moved are not plotted.",
                  set, bandCount);
  }
  text_at(cr, g.left, 80, subtitle, Align::Left);
  // What the levels were measured through, and whether that changed since.
  if (check.output) {
    cairo_set_font_size(cr, 13);
    text_at(cr, g.left, 100, "Output: " + describe_output(*check.output), Align::Left);
  }
  if (!check.outputWarning.empty()) {
    set_colour(cr, warning);
    cairo_set_font_size(cr, 14);
    text_at(cr, g.left, audiogramHeight - 8, "Warning: " + check.outputWarning, Align::Left);
  }
}

// The level grid and the frequency axis, with their labels.
void paint_axes(cairo_t* cr, const AudiogramGeometry& g) {
  // The level grid, every 10 dB, labelled on the left.
  cairo_set_line_width(cr, 1);
  cairo_set_font_size(cr, 14);
  for (int db = 0; db <= deepestDb; db += 10) {
    const double y = std::round(g.y_for(db)) + 0.5;
    set_colour(cr, grid);
    cairo_move_to(cr, g.left, y);
    cairo_line_to(cr, g.right, y);
    cairo_stroke(cr);
    set_colour(cr, muted);
    text_at(cr, g.left - 12, y + 5, db == 0 ? "0" : "-" + std::to_string(db), Align::Right);
  }
  // The frequency axis: a line per octave, a tick per band.
  for (int hz : octaves) {
    const double x = std::round(g.x_for(hz)) + 0.5;
    set_colour(cr, grid);
    cairo_move_to(cr, x, g.top);
    cairo_line_to(cr, x, g.bottom);
    cairo_stroke(cr);
    set_colour(cr, muted);
    text_at(cr, x, g.bottom + 32, hz_label(hz), Align::Centre);
  }
  set_colour(cr, ink);
  for (int hz : bands) {
    const double x = std::round(g.x_for(hz)) + 0.5;
    cairo_move_to(cr, x, g.bottom);
    cairo_line_to(cr, x, g.bottom + 8);
  }
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1.5);
  cairo_rectangle(cr, g.left, g.top, g.right - g.left, g.bottom - g.top);
  cairo_stroke(cr);

  cairo_set_font_size(cr, 16);
  text_at(cr, (g.left + g.right) / 2, g.bottom + 66, "Frequency (Hz)", Align::Centre);
  cairo_save(cr);
  cairo_translate(cr, 40, (g.top + g.bottom) / 2);
  cairo_rotate(cr, -M_PI / 2);
  text_at(cr, 0, 0, "Level (dBFS)", Align::Centre);
  cairo_restore(cr);
}

// The results of each ear, a legend once the sides have their own, or a
// word that nothing was set.
void paint_results(cairo_t* cr, const AudiogramGeometry& g, const CheckLevels& check) {
  const BandLevels& levels = check.of(Ear::Both);
  const bool sides = check.sides_set();
  // The results: both ears' bands as filled circles; once an ear has levels
  // of its own, the right ear's as red rings and the left ear's as blue
  // crosses, with a legend.
  plot_results(cr, g, levels, Mark::Dot, accent);
  if (sides) {
    plot_results(cr, g, check.of(Ear::Right), Mark::Ring, rightEar);
    plot_results(cr, g, check.of(Ear::Left), Mark::Cross, leftEar);
    struct Entry {
      Mark mark;
      Rgb colour;
      const char* name;
    };
    const Entry legend[] = {{Mark::Ring, rightEar, "O  Right ear"},
                            {Mark::Cross, leftEar, "X  Left ear"},
                            {Mark::Dot, accent, "Both ears"}};
    cairo_set_font_size(cr, 15);
    double y = g.top + 24;
    for (const Entry& e : legend) {
      draw_mark(cr, e.mark, g.right - 150, y - 5, e.colour);
      set_colour(cr, ink);
      text_at(cr, g.right - 132, y, e.name, Align::Left);
      y += 26;
    }
  }
  if (!check.any_set()) {
    set_colour(cr, muted);
    cairo_set_font_size(cr, 20);
    text_at(cr, (g.left + g.right) / 2, (g.top + g.bottom) / 2, "No band was set", Align::Centre);
  }
}

}  // namespace

void paint_audiogram(cairo_t* cr, const CheckLevels& check, const std::string& title) {
  const AudiogramGeometry g;
  cairo_save(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  paint_heading(cr, g, check, title);
  paint_axes(cr, g);
  paint_results(cr, g, check);
  cairo_restore(cr);
}

}  // namespace sonavel
