// sonavel: a GTK application object, playing through the desktop's sound
// server.
//
// All start-up happens on activation (start_sonavel). Exit status: 0 after a
// normal close or SIGTERM, SIGINT or SIGHUP (each closes the window), 1 when
// the audio output could not be started, and the application's own status
// when it rejects the command line.
#include <gtk/gtk.h>

#include <cstdio>

#include "app/close_on_signals.h"
#include "app/program_identity.h"
#include "app/sonavel_startup.h"
#include "engine/glib_owners.h"
#include "ui/quiet_settings_backend.h"

namespace {

constexpr const char* applicationId = "org.sonavel.Sonavel";

void on_app_activate(GtkApplication* app, gpointer audio_failed) {
  const sonavel::SonavelStart started = sonavel::start_sonavel(app);
  if (!started.error.empty()) {
    std::fprintf(stderr, "Failed to start audio: %s\n", started.error.c_str());
    *static_cast<bool*>(audio_failed) = true;  // no window, so the run ends
    return;
  }
  sonavel::close_window_on_signals(started.window.window);
}

}  // namespace

int main(int argc, char** argv) {
  sonavel::name_program(applicationId);
  sonavel::quiet_settings_backend();
  const auto app = sonavel::adopt(gtk_application_new(applicationId, G_APPLICATION_DEFAULT_FLAGS));
  bool audio_failed = false;
  g_signal_connect(app.get(), "activate", G_CALLBACK(on_app_activate), &audio_failed);
  const int status = g_application_run(G_APPLICATION(app.get()), argc, argv);
  if (status != 0) return status;
  return audio_failed ? 1 : 0;
}
