// The PortAudio calls that FixedFormatOutput makes, gathered in one table so
// that a test can stand in for PortAudio where a real failure cannot be
// produced on demand (a failing Pa_StartStream, for one).
#pragma once

#include <portaudio.h>

namespace sonavel {

struct PortAudioApi {
  PaError (*initialize)();
  PaError (*terminate)();
  PaError (*open_default_stream)(PaStream** stream, int input_channels, int output_channels,
                                 PaSampleFormat format, double sample_rate,
                                 unsigned long frames_per_buffer, PaStreamCallback* callback,
                                 void* user_data);
  PaError (*start_stream)(PaStream* stream);
  PaError (*stop_stream)(PaStream* stream);
  PaError (*close_stream)(PaStream* stream);
  const char* (*error_text)(PaError code);
};

// The real library.
const PortAudioApi& real_portaudio();

}  // namespace sonavel
