// Which sound server serves the PulseAudio client API here: PulseAudio
// itself, or PipeWire's PulseAudio service. The two run their streams on
// different clocks, so sonavel asks for different stream sizes on each.
#pragma once

namespace sonavel {

// Whether a server's name (pa_server_info's server_name, which may be null)
// is that of PipeWire's service, which names itself "PulseAudio (on PipeWire
// x.y.z)".
bool is_pipewire_name(const char* server_name);

}  // namespace sonavel
