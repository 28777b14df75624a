// sonavel: a GTK application object, playing through the desktop's sound
// server.
//
// All start-up happens on activation: the tone state, then the audio output,
// and only when that runs the window, the refresh timer (which from then on
// owns the stream) and the show. Exit status: 0 after a normal close, 1 when
// the audio output could not be started, and the application's own status
// when it rejects the command line.
#include <gtk/gtk.h>

#include <cstdio>
#include <memory>

#include "engine/device_format_output.h"
#include "engine/tone_state.h"
#include "ui/main_window.h"
#include "ui/program_choices.h"
#include "ui/refresh_timer.h"
#include "ui/tone_link.h"

namespace {

constexpr const char* kApplicationId = "org.sonavel.Sonavel";

void on_app_activate(GtkApplication* app, gpointer audio_failed) {
  using namespace sonavel;
  ToneStateHolder tone = SharedToneState::create();
  DeviceFormatOutput::Started started = DeviceFormatOutput::open_and_start(tone);
  if (!started.stream) {
    std::fprintf(stderr, "Failed to start audio: %s\n", started.error.c_str());
    *static_cast<bool*>(audio_failed) = true;
    return;  // no window, so the run ends
  }
  const MainWindow w = build_main_window(app, kSonavelChoices, make_locked_tone_link(tone));
  add_refresh_timer(kSonavelChoices, w.waveform_area, std::move(started.stream));
  gtk_widget_show_all(w.window);
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<GtkApplication, decltype(&g_object_unref)> app(
      gtk_application_new(kApplicationId, G_APPLICATION_DEFAULT_FLAGS), g_object_unref);
  bool audio_failed = false;
  g_signal_connect(app.get(), "activate", G_CALLBACK(on_app_activate), &audio_failed);
  const int status = g_application_run(G_APPLICATION(app.get()), argc, argv);
  if (status != 0) return status;
  return audio_failed ? 1 : 0;
}
