// The periodic main-loop timeout that keeps the waveform view live: each
// tick asks for a redraw when the picture would change, and the window rests
// once the ring holds nothing but silence. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "engine/glib_owners.h"
#include "monitor/program_choices.h"

namespace sonavel {

class ToneLink;

// What the timer holds: the view, the link to the tone state it draws from,
// and, for sonavel, the output stream, which thereby lives as long as the
// timer (the whole run).
struct RefreshTimerContext {
  // A reference of its own: the timer may outlive the window (sonavel).
  GObjectRef<GtkWidget> waveform_area;
  std::shared_ptr<ToneLink> tone;
  bool checksVisibility;
  std::shared_ptr<void> keepAlive;
};

// Registers the timer at choices.refreshIntervalMs and returns its source id.
guint add_refresh_timer(const ProgramChoices& choices, GtkWidget* waveform_area,
                        std::shared_ptr<ToneLink> tone, std::shared_ptr<void> keep_alive);

// Asks for a redraw when the picture would change, and keeps running.
gboolean waveform_tick(gpointer data);

}  // namespace sonavel
