// The time-window slider's handler: sets how many seconds of history the
// view shows, and redraws. Arms no burst, clears nothing. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

namespace sonavel {

class ToneLink;

// Owned by the slider's "value-changed" connection.
struct TimeWindowContext {
  std::shared_ptr<ToneLink> tone;
  GtkWidget* waveform_area;
};

void on_time_window_slider_changed(GtkRange* range, gpointer data);

}  // namespace sonavel
