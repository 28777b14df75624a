// sonavel_pa's start-up, after the toolkit is initialised: the hidden window,
// then the audio output, and only when that runs the refresh timer and the
// show.
#pragma once

#include "audio/portaudio_output.h"
#include "ui/main_window.h"

namespace sonavel {

// Returns false when the audio output could not be brought up; its one line
// has then been written and the window is never shown. Main thread only.
bool start_sonavel_pa(PortAudioOutput& output, MainWindow& window);

}  // namespace sonavel
