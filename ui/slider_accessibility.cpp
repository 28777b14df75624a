#include "ui/slider_accessibility.h"

#include <cstdio>

namespace sonavel {

void describe_band_slider(GtkWidget* slider, int frequency_hz, int attenuation_db) {
  AtkObject* accessible = gtk_widget_get_accessible(slider);
  char text[32];
  std::snprintf(text, sizeof text, "%d Hz", frequency_hz);
  atk_object_set_name(accessible, text);
  std::snprintf(text, sizeof text, "-%d dB", attenuation_db);
  atk_object_set_description(accessible, text);
}

}  // namespace sonavel
