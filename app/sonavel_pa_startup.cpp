#include "app/sonavel_pa_startup.h"

#include "engine/module_tone.h"
#include "ui/program_choices.h"
#include "ui/refresh_timer.h"
#include "ui/tone_link.h"

namespace sonavel {

bool start_sonavel_pa(PortAudioOutput& output, MainWindow& window) {
  const auto tone = make_module_tone_link();
  window = build_main_window(nullptr, sonavelPaChoices, tone);
  if (!output.open_and_start()) return false;
  waveformTimerId = add_refresh_timer(sonavelPaChoices, window.waveformArea, tone, nullptr);
  gtk_widget_show_all(window.window);
  return true;
}

}  // namespace sonavel
