#include "ui/slider_accessibility.h"

#include <cstdio>

#include "ui/spoken_scale.h"

namespace sonavel {

void describe_band_slider(GtkWidget* slider, int frequency_hz, int attenuation_db) {
  AtkObject* accessible = gtk_widget_get_accessible(slider);
  char text[32];
  std::snprintf(text, sizeof text, "%d Hz", frequency_hz);
  atk_object_set_name(accessible, text);
  std::snprintf(text, sizeof text, "-%d dB", attenuation_db);
  set_spoken_value(slider, text);
  atk_object_set_description(accessible, text);
}

void describe_time_window_slider(GtkWidget* slider, double seconds) {
  atk_object_set_name(gtk_widget_get_accessible(slider), "Time window");
  char text[32];
  std::snprintf(text, sizeof text, "%.1f seconds", seconds);
  set_spoken_value(slider, text);
}

}  // namespace sonavel
