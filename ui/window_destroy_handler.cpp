// sonavel_pa's main window "destroy" handler: the timer goes before the main
// loop ends, so no tick runs while the shell takes the audio down.
#include "ui/refresh_timer.h"

namespace sonavel {

void on_window_destroy(GtkWidget*, gpointer) {
  if (waveformTimerId != 0) {
    g_source_remove(waveformTimerId);
    waveformTimerId = 0;
  }
  gtk_main_quit();
}

}  // namespace sonavel
