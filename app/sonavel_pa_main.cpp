// sonavel_pa: the plain toolkit main loop, playing through PortAudio.
//
// Order: toolkit and hidden window while the audio opens, then refresh timer,
// show, main loop. The window is shown only once audio runs; an audio failure
// has already printed its one line and ends the program with status 1. Closing the window ends
// the main loop; the output then stops, closes and releases PortAudio, and
// the program ends within 2 s of the close whatever the sound server does.
// SIGTERM, SIGINT and SIGHUP close the window the same way; status 0.
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/close_on_signals.h"
#include "app/program_identity.h"
#include "app/sonavel_pa_startup.h"
#include "audio/fixed_format_output.h"
#include "ui/quiet_settings_backend.h"

namespace {

// With the window gone and the toolkit's teardown, this keeps the end of the
// program within 2 s of the close.
constexpr std::chrono::milliseconds shutdownLimit{1500};

}  // namespace

int main(int argc, char** argv) {
  using namespace sonavel;
  prepare_portaudio_process();  // while this is the only thread
  name_program("org.sonavel.SonavelPortAudio");
  quiet_settings_backend();
  const std::unique_ptr<OutputStream> output = std::make_unique<FixedFormatOutput>();
  MainWindow window;
  if (!start_sonavel_pa(&argc, &argv, *output, window)) return 1;
  close_window_on_signals(window.window);
  gtk_main();  // returns once on_window_destroy has removed the timer
  if (const char* waiting = output->shut_down_within(shutdownLimit)) {
    std::fprintf(stderr, "%s did not return within %.1f s; exiting without it\n", waiting,
                 shutdownLimit.count() / 1000.0);
    std::_Exit(0);  // the waiting call still uses the output: nothing may be destroyed
  }
  return 0;
}
