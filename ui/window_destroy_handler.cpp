#include "ui/window_destroy_handler.h"

#include "engine/module_tone.h"

namespace sonavel {

void on_window_destroy(GtkWidget*, gpointer) {
  if (waveformTimerId != 0) {
    g_source_remove(waveformTimerId);
    waveformTimerId = 0;
  }
  gtk_main_quit();
}

}  // namespace sonavel
