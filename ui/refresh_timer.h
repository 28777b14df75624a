// The periodic main-loop timeout that keeps the waveform view live.
// Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "audio/c_owners.h"
#include "ui/program_choices.h"

namespace sonavel {

// What the timer holds: the view and, for sonavel, the output stream, which
// thereby lives as long as the timer (the whole run).
struct RefreshTimerContext {
  // A reference of its own: the timer may outlive the window (sonavel).
  GObjectRef<GtkWidget> waveformArea;
  bool checksVisibility;
  std::shared_ptr<void> keepAlive;
};

// Registers the timer at choices.refreshIntervalMs and returns its source id.
guint add_refresh_timer(const ProgramChoices& choices, GtkWidget* waveform_area,
                        std::shared_ptr<void> keep_alive);

// Asks for a redraw and keeps running.
gboolean waveform_tick(gpointer data);

}  // namespace sonavel
