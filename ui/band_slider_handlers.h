// The handlers every band slider carries: a value change selects the band,
// relabels and retitles, and arms a burst; a wheel step moves the slider by
// exactly 1 dB. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "monitor/program_choices.h"
#include "report/band_levels.h"
#include "ui/ear_choice.h"

namespace sonavel {

class ToneLink;

// Owned by the band slider's "value-changed" connection.
struct BandSliderContext {
  int index;  // band index 0 to 32
  GtkWidget* label;
  GtkWidget* window;
  GtkWidget* waveform_area;  // may be null
  ProgramChoices choices;
  std::shared_ptr<ToneLink> tone;
  std::shared_ptr<EarChoice> ears;  // the result so far, for Save Levels
};

void update_label_for_index(GtkWidget* label, int index, int slider_value);
void on_slider_value_changed(GtkRange* range, gpointer data);
// Returns TRUE when the event moved (or would have moved) the slider.
gboolean on_slider_scroll_event(GtkWidget* widget, GdkEventScroll* event, gpointer data);

}  // namespace sonavel
