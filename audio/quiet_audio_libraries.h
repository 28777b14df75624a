// PortAudio's device probing wakes the ALSA and JACK client libraries, which
// print dozens of lines to standard error on a machine without those devices
// or servers. The program's standard error belongs to its own messages, so
// their console output is routed to handlers that drop it.
#pragma once

namespace sonavel {

// Call once, on the main thread, before Pa_Initialize.
void quiet_audio_libraries();

}  // namespace sonavel
