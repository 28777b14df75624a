// sonavel_pa's main window "destroy" handler: the refresh timer goes before
// the main loop ends, so no tick runs while the shell takes the audio down.
#pragma once

#include <gtk/gtk.h>

namespace sonavel {

// Removes the timer named by waveformTimerId (if any) and ends the main loop,
// if one is running.
// Main thread only.
void on_window_destroy(GtkWidget* widget, gpointer data);

}  // namespace sonavel
