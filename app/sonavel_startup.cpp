#include "app/sonavel_startup.h"

#include "ui/program_choices.h"
#include "ui/refresh_timer.h"
#include "ui/tone_link.h"

namespace sonavel {

SonavelStart start_sonavel(GtkApplication* app) {
  SonavelStart s;
  s.tone = SharedToneState::create();
  SoundServerOutput::Started started = SoundServerOutput::open_and_start(s.tone);
  if (!started.stream) {
    s.error = started.error;
    return s;
  }
  s.output = std::move(started.stream);
  const auto link = make_locked_tone_link(s.tone);
  s.window = build_main_window(app, sonavelChoices, link);
  s.refreshTimer = add_refresh_timer(sonavelChoices, s.window.waveformArea, link, s.output);
  gtk_widget_show_all(s.window.window);
  return s;
}

}  // namespace sonavel
