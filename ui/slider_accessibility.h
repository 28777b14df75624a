// What a screen reader announces for a band slider: its band as the
// accessible name ("1000 Hz") and its level as the description ("-40 dB"),
// next to the slider's own numeric value.
#pragma once

#include <gtk/gtk.h>

namespace sonavel {

// Main thread.
void describe_band_slider(GtkWidget* slider, int frequency_hz, int attenuation_db);

}  // namespace sonavel
