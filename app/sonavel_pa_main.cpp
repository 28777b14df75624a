// sonavel_pa: the plain toolkit main loop, playing through PortAudio.
//
// Order: toolkit, hidden window, audio, refresh timer, show, main loop. The
// window is shown only once audio runs; an audio failure has already printed
// its one line and ends the program with status 1. Closing the window ends
// the main loop; the output then stops, closes and releases PortAudio.
#include <gtk/gtk.h>

#include "app/sonavel_pa_startup.h"
#include "audio/portaudio_output.h"

int main(int argc, char** argv) {
  using namespace sonavel;
  gtk_init(&argc, &argv);
  PortAudioOutput output;
  MainWindow window;
  if (!start_sonavel_pa(output, window)) return 1;
  gtk_main();  // returns once on_window_destroy has removed the timer
  return 0;
}
