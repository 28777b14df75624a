// sonavel's start-up, run on each activation of the application: the tone
// state, then the audio output while the hidden window is built, and only
// when the audio runs the refresh timer (which from then on owns the stream)
// and the show.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "audio/output_stream.h"
#include "engine/tone_state.h"
#include "ui/main_window.h"

namespace sonavel {

// What a start made. The activation keeps none of it: the window, the
// handlers and the timer hold what they need.
struct SonavelStart {
  std::string error;  // why the audio did not start; empty when it did
  MainWindow window;
  ToneStateHolder tone;
  std::shared_ptr<OutputStream> output;
  guint refreshTimer = 0;
};

// On failure builds no window and returns the reason. Main thread only.
SonavelStart start_sonavel(GtkApplication* app);

}  // namespace sonavel
