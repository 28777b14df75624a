#include "app/sonavel_startup.h"

#include <future>

#include "ui/program_choices.h"
#include "ui/refresh_timer.h"
#include "ui/tone_link.h"

namespace sonavel {

SonavelStart start_sonavel(GtkApplication* app) {
  SonavelStart s;
  s.tone = SharedToneState::create();
  // The sound server is reached on another thread while this one builds the
  // window, which stays hidden, and is destroyed unseen if the audio fails.
  std::future<SoundServerOutput::Started> audio = std::async(
      std::launch::async, [tone = s.tone] { return SoundServerOutput::open_and_start(tone); });
  const auto link = make_locked_tone_link(s.tone);
  s.window = build_main_window(app, sonavelChoices, link);
  SoundServerOutput::Started started = audio.get();
  if (!started.stream) {
    gtk_widget_destroy(s.window.window);
    s.window = {};
    s.error = started.error;
    return s;
  }
  s.output = std::move(started.stream);
  s.refreshTimer = add_refresh_timer(sonavelChoices, s.window.waveformArea, link, s.output);
  gtk_widget_show_all(s.window.window);
  return s;
}

}  // namespace sonavel
