#include "ui/window_destroy_handler.h"

#include "engine/module_tone.h"

namespace sonavel {

void on_window_destroy(GtkWidget*, gpointer) {
  if (waveformTimerId != 0) {
    g_source_remove(waveformTimerId);
    waveformTimerId = 0;
  }
  // A window destroyed without a running loop (at a failed start, or by a
  // test) has no loop to end.
  if (gtk_main_level() > 0) gtk_main_quit();
}

}  // namespace sonavel
