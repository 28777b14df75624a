// The periodic main-loop timeout that keeps the waveform view live, and the
// window's "destroy" handler that ends it (sonavel_pa). Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "ui/gobject_ref.h"
#include "ui/program_choices.h"

namespace sonavel {

// The refresh timer's source id while one runs under a "destroy" handler's
// care (sonavel_pa); 0 when none is registered.
extern guint waveformTimerId;

// What the timer holds: the view and, for sonavel, the output stream, which
// thereby lives as long as the timer (the whole run).
struct RefreshTimerContext {
  // A reference of its own: the timer may outlive the window (sonavel).
  GObjectRef<GtkWidget> waveform_area;
  bool checks_visibility;
  std::shared_ptr<void> keep_alive;
};

// Registers the timer at choices.refreshIntervalMs and returns its source id.
guint add_refresh_timer(const ProgramChoices& choices, GtkWidget* waveform_area,
                        std::shared_ptr<void> keep_alive);

// Asks for a redraw and keeps running. Main thread.
gboolean waveform_tick(gpointer data);

// Removes the timer (if any) and ends the main loop. Main thread.
void on_window_destroy(GtkWidget* widget, gpointer data);

}  // namespace sonavel
