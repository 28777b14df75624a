// sonavel: a GTK application object, playing through the desktop's sound
// server.
//
// All start-up happens on activation (start_sonavel). Exit status: 0 after a
// normal close or SIGTERM, SIGINT or SIGHUP (each closes the window), 1 when
// no window was ever shown because the audio output could not be started,
// and the application's own status when it rejects the command line. A later
// activation that fails (a second launch while the output's format is one
// it cannot play) prints its line and leaves the windows shown, and the
// status, as they were.
#include <gtk/gtk.h>

#include <cstdio>

#include "app/close_on_signals.h"
#include "app/program_identity.h"
#include "app/sonavel_startup.h"
#include "engine/glib_owners.h"
#include "ui/quiet_settings_backend.h"

namespace {

constexpr const char* applicationId = "org.sonavel.Sonavel";

// What the activations have done, for the exit status.
struct Activations {
  bool failed = false;       // one could not start the audio
  bool shownWindow = false;  // one showed a window
};

void on_app_activate(GtkApplication* app, gpointer activations) {
  auto& done = *static_cast<Activations*>(activations);
  const sonavel::SonavelStart started = sonavel::start_sonavel(app);
  if (!started.error.empty()) {
    std::fprintf(stderr, "Failed to start audio: %s\n", started.error.c_str());
    done.failed = true;  // no window of its own; one shown before stays
    return;
  }
  done.shownWindow = true;
  sonavel::close_window_on_signals(started.window.window);
}

}  // namespace

int main(int argc, char** argv) {
  sonavel::name_program(applicationId);
  sonavel::quiet_settings_backend();
  const auto app = sonavel::adopt(gtk_application_new(applicationId, G_APPLICATION_DEFAULT_FLAGS));
  Activations activations;
  g_signal_connect(app.get(), "activate", G_CALLBACK(on_app_activate), &activations);
  const int status = g_application_run(G_APPLICATION(app.get()), argc, argv);
  if (status != 0) return status;
  return activations.failed && !activations.shownWindow ? 1 : 0;
}
