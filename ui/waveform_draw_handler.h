// The waveform drawing area's "draw" handler. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "monitor/program_choices.h"
#include "monitor/waveform_frame.h"
#include "monitor/waveform_view.h"

namespace sonavel {

class ToneLink;

// What the handler needs; owned by the signal connection.
struct WaveformViewContext {
  WaveformViewContext(std::shared_ptr<ToneLink> tone, const ProgramChoices& choices)
      : tone(std::move(tone)), choices(choices) {}

  std::shared_ptr<ToneLink> tone;
  ProgramChoices choices;
  WaveformCopy copy{};  // room for the whole ring, so the locked copy needs no allocation
  WaveformPainter painter;
  std::string spoken;  // the view's accessible description, as last set
};

// Takes the frame from the tone state, then paints it, and gives a screen
// reader what the captions say (and the message, when it is shown) as the
// view's description. Always returns FALSE, so the toolkit's own handler
// runs too.
gboolean on_waveform_draw(GtkWidget* widget, cairo_t* cr, gpointer data);

}  // namespace sonavel
