// Which sound server serves the PulseAudio client API here: PulseAudio
// itself, or PipeWire's PulseAudio service. The two run their streams on
// different clocks, so the programs ask for different stream sizes on each.
#pragma once

namespace sonavel {

// Whether a server's name (pa_server_info's server_name, which may be null)
// is that of PipeWire's service, which names itself "PulseAudio (on PipeWire
// x.y.z)".
bool is_pipewire_name(const char* server_name);

// Asks the default server its name over a connection of its own, with a
// plain (thread-free) main loop, for at most about 2 s. False when no server
// answers. Main thread; safe before any other thread exists.
bool sound_server_is_pipewire();

}  // namespace sonavel
