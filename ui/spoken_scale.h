// A slider that tells a screen reader its value in words: besides the number
// the toolkit reports, a value text such as "-30 dB" or "0.5 seconds", which
// the screen reader speaks as the value changes. It looks and behaves as the
// toolkit's own scale.
#pragma once

#include <gtk/gtk.h>

namespace sonavel {

// As gtk_scale_new_with_range: the same adjustment (a page of ten steps) and
// the same number of digits. Main thread.
GtkWidget* spoken_scale_new_with_range(GtkOrientation orientation, double min, double max,
                                       double step);

// The words for the slider's current value; set them before the value
// changes or as it changes. Main thread.
void set_spoken_value(GtkWidget* scale, const char* text);

}  // namespace sonavel
