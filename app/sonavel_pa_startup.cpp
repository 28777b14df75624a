#include "app/sonavel_pa_startup.h"

#include <future>

#include "app/output_watch.h"
#include "app/program_identity.h"
#include "engine/module_tone.h"
#include "monitor/program_choices.h"
#include "monitor/tone_link.h"
#include "ui/refresh_timer.h"

namespace sonavel {

bool start_sonavel_pa(int* argc, char*** argv, OutputStream& output, MainWindow& window) {
  // PortAudio is used from this thread again only after the open has ended.
  std::future<bool> audio =
      std::async(std::launch::async, [&output] { return output.open_and_start(); });
  gtk_init(argc, argv);
  class_windows_by_program_name();
  const auto tone = make_module_tone_link();
  window = build_main_window(nullptr, sonavelPaChoices, tone);
  if (!audio.get()) return false;
  waveformTimerId = add_refresh_timer(sonavelPaChoices, window.waveform_area, tone, nullptr);
  // The output restarts itself; the watch, which goes with the window before
  // the output is shut down, only tells what it finds.
  watch_output(window.waveform_area, tone,
               std::make_shared<OutputSlot>(
                   std::shared_ptr<OutputStream>(std::shared_ptr<void>(), &output)));
  gtk_widget_show_all(window.window);
  return true;
}

}  // namespace sonavel
