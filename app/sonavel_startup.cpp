#include "app/sonavel_startup.h"

#include <future>

#include "app/output_watch.h"
#include "app/program_identity.h"
#include "audio/device_format_output.h"

#include "monitor/program_choices.h"
#include "monitor/tone_link.h"
#include "ui/refresh_timer.h"

namespace sonavel {

SonavelStart start_sonavel(GtkApplication* app) {
  SonavelStart s;
  s.tone = SharedToneState::create();
  class_windows_by_program_name();
  // The sound server is reached on another thread while this one builds the
  // window, which stays hidden, and is destroyed unseen if the audio fails.
  auto output = std::make_shared<DeviceFormatOutput>(s.tone);
  std::future<bool> audio =
      std::async(std::launch::async, [&output = *output] { return output.open_and_start(); });
  // A burst start reaches the stream at once, not at the server's next
  // request. The timer owns the output's slot, whose output a new connection
  // replaces; once the timer is gone, so is the window.
  const auto slot = std::make_shared<OutputSlot>();
  const auto link = make_locked_tone_link(s.tone, [weak = std::weak_ptr<OutputSlot>(slot)] {
    if (const auto held = weak.lock(); held && held->output) held->output->send_burst_start();
  });
  s.window = build_main_window(app, sonavelChoices, link);
  if (!audio.get()) {
    gtk_widget_destroy(s.window.window);
    s.window = {};
    s.error = output->error();
    return s;
  }
  s.output = std::move(output);
  slot->output = s.output;
  s.refreshTimer = add_refresh_timer(sonavelChoices, s.window.waveform_area, link, slot);
  // After its server went away, a new connection starts with no burst: only
  // a band change made once it is back plays.
  watch_output(s.window.waveform_area, link, slot,
               [tone = s.tone]() -> std::shared_ptr<OutputStream> {
                 end_burst(*tone);
                 auto renewed = std::make_shared<DeviceFormatOutput>(tone);
                 if (!renewed->open_and_start()) return nullptr;
                 return renewed;
               });
  gtk_widget_show_all(s.window.window);
  return s;
}

}  // namespace sonavel
