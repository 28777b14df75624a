#include "app/sonavel_startup.h"

#include <future>

#include "app/output_record.h"
#include "app/output_watch.h"
#include "app/program_identity.h"
#include "app/stream_side.h"
#include "audio/device_format_output.h"
#include "engine/ear.h"
#include "ui/ear_choice.h"
#include "ui/headphones_check.h"

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
  const bool sides = output->sink_channels() != 1;  // a one-channel output has no sides
  s.output = std::move(output);
  slot->output = s.output;
  s.refreshTimer = add_refresh_timer(sonavelChoices, s.window.waveform_area, link, slot);
  // After its server went away, a new connection starts with no burst: only
  // a band change made once it is back plays. A new ear's stream plays what
  // was started while it opened, at that ear.
  const auto side = std::make_shared<StreamSide>();
  side->slot = slot;
  watch_output(s.window.waveform_area, link, slot,
               [tone = s.tone, side](bool after_loss) -> std::shared_ptr<OutputStream> {
                 if (after_loss) end_burst(*tone);
                 auto renewed = std::make_shared<DeviceFormatOutput>(tone, side->wanted.load());
                 if (!renewed->open_and_start()) return nullptr;
                 return renewed;
               });
  for (std::size_t i = 0; i < ears.size(); ++i) {
    g_signal_connect_data(
        s.window.ear_buttons[i], "toggled", G_CALLBACK(on_ear_for_stream),
        new EarStreamContext{ears[i], side, s.tone},
        [](gpointer data, GClosure*) { delete static_cast<EarStreamContext*>(data); },
        GConnectFlags{});
  }
  // The headphones check plays its bursts at its own sides, and then puts the
  // stream back at the chosen ear.
  s.window.headphones_button = add_headphones_check(
      s.window.ear_row,
      new HeadphonesCheck{s.window.window,
                          [side, tone = s.tone](Ear ear) {
                            side->move_to(ear, *tone);
                            start_burst(*tone, 1000, 40);  // plays once that stream is open
                          },
                          [side, tone = s.tone] { side->move_to(side->chosen, *tone); }});
  offer_sides(s.window, sides);
  record_output(s.window, slot);
  gtk_widget_show_all(s.window.window);
  return s;
}

}  // namespace sonavel
