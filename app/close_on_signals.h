// A session logout (SIGTERM, SIGHUP) or Ctrl+C in a terminal (SIGINT) closes
// the window as its close button does, so the program ends by its own
// shutdown path, bounded as a close is, with status 0; a further one during
// that shutdown is absorbed. A signal that was ignored when the program
// started (nohup) stays ignored.
#pragma once

#include <gtk/gtk.h>

namespace sonavel {

// Handles the three signals in the main loop for as long as window lives.
// Main thread only.
void close_window_on_signals(GtkWidget* window);

// A signal's source callback: destroys the window it was given.
gboolean on_close_signal(gpointer window);

}  // namespace sonavel
