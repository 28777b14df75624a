// What a screen reader announces for the sliders: a band slider's band as its
// accessible name ("1000 Hz") and its level as its description and value
// text ("-40 dB"), and the time-window slider as "Time window" with its span
// in seconds ("0.5 seconds"). Each slider is a spoken scale.
#pragma once

#include <gtk/gtk.h>

namespace sonavel {

// Main thread.
void describe_band_slider(GtkWidget* slider, int frequency_hz, int attenuation_db);
void describe_time_window_slider(GtkWidget* slider, double seconds);

}  // namespace sonavel
