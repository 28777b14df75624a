// sonavel_pa's start-up: the toolkit and the hidden window on this thread
// while the audio output opens on another (PortAudio probes every device,
// which takes as long as the toolkit's own start), then, only once the audio
// runs, the refresh timer and the show.
#pragma once

#include "audio/output_stream.h"
#include "ui/main_window.h"

namespace sonavel {

// argc and argv go to gtk_init (both may be null). prepare_portaudio_process
// must have run first, before any other thread was started. Returns false when the
// audio output could not be brought up; its one line has then been written
// and the window is never shown. Main thread only.
bool start_sonavel_pa(int* argc, char*** argv, OutputStream& output, MainWindow& window);

}  // namespace sonavel
