// sonavel_pa: the plain toolkit main loop, playing through PortAudio.
//
// Order: toolkit, hidden window, audio, refresh timer, show, main loop. The
// window is shown only once audio runs; an audio failure has already printed
// its one line and ends the program with status 1.
#include <gtk/gtk.h>

#include "engine/fixed_format_output.h"
#include "ui/main_window.h"
#include "ui/program_choices.h"
#include "ui/refresh_timer.h"
#include "ui/tone_link.h"

int main(int argc, char** argv) {
  using namespace sonavel;
  gtk_init(&argc, &argv);
  const MainWindow w = build_main_window(nullptr, kSonavelPaChoices, make_module_tone_link());

  FixedFormatOutput output;
  if (!output.open_and_start()) return 1;

  waveformTimerId = add_refresh_timer(kSonavelPaChoices, w.waveform_area, nullptr);
  gtk_widget_show_all(w.window);
  gtk_main();  // returns once on_window_destroy has removed the timer

  // Stop before close, close before terminate: the callback never runs
  // against a closed stream or a released library.
  output.stop_and_close();
  output.terminate();
  return 0;
}
