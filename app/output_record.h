// Ties sonavel's check to the output it is measured through. Until a level
// is set, the check's output follows what the sound server says of the
// stream's sink; from the first level on it stays, and a later change of
// device or volume is told at once on the window's warning line and kept for
// the saved files. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "app/output_watch.h"
#include "ui/main_window.h"

namespace sonavel {

// Records the output of window's check until the window's view is destroyed.
void record_output(const MainWindow& window, std::shared_ptr<OutputSlot> slot);

// The record's timer: reads what the server last said and compares.
gboolean on_output_record_tick(gpointer data);

}  // namespace sonavel
