// sonavel's line under the ear choice that says when the output changed
// during a check, so that levels set before and after are not compared as
// if they were one measurement. Hidden until there is something to say.
// Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace sonavel {

struct MainWindow;

// Builds the hidden line at the end of box; it goes into w.
void add_output_warning(GtkWidget* box, MainWindow& w);
// Shows text on the line, or hides the line for an empty text.
void show_output_warning(const MainWindow& w, const std::string& text);

}  // namespace sonavel
