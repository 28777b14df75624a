#include "app/sonavel_startup.h"

#include <future>

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
  // request. The timer owns the output; once it is gone, so is the window.
  const auto link =
      make_locked_tone_link(s.tone, [weak = std::weak_ptr<DeviceFormatOutput>(output)] {
        if (const auto o = weak.lock()) o->send_burst_start();
      });
  s.window = build_main_window(app, sonavelChoices, link);
  if (!audio.get()) {
    gtk_widget_destroy(s.window.window);
    s.window = {};
    s.error = output->error();
    return s;
  }
  s.output = std::move(output);
  s.refreshTimer = add_refresh_timer(sonavelChoices, s.window.waveform_area, link, s.output);
  gtk_widget_show_all(s.window.window);
  return s;
}

}  // namespace sonavel
