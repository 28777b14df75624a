#include "app/sonavel_pa_startup.h"

#include <future>

#include "engine/module_tone.h"
#include "ui/program_choices.h"
#include "ui/refresh_timer.h"
#include "ui/tone_link.h"

namespace sonavel {

bool start_sonavel_pa(int* argc, char*** argv, PortAudioOutput& output, MainWindow& window) {
  // PortAudio is used from this thread again only after the open has ended.
  std::future<bool> audio =
      std::async(std::launch::async, [&output] { return output.open_and_start(); });
  gtk_init(argc, argv);
  const auto tone = make_module_tone_link();
  window = build_main_window(nullptr, sonavelPaChoices, tone);
  if (!audio.get()) return false;
  waveformTimerId = add_refresh_timer(sonavelPaChoices, window.waveformArea, tone, nullptr);
  gtk_widget_show_all(window.window);
  return true;
}

}  // namespace sonavel
