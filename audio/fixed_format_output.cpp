#include "audio/fixed_format_output.h"

#include <cstdio>
#include <cstdlib>

#include "audio/quiet_audio_libraries.h"
#include "audio/server_identity.h"
#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

void prepare_portaudio_process() {
  quiet_audio_libraries();
  // The default stream asks the ALSA device for PortAudio's default high
  // latency, which through the desktop sound server's ALSA plugin queues too
  // much before a key's tone is heard. The plugin's server stream takes its
  // target from this variable instead. On PulseAudio, 30 ms keeps a tone
  // within the 30 ms goal of its key without underruns while another process
  // keeps a core busy, where a smaller target underran. PipeWire's PulseAudio
  // service runs the whole graph at a quarter of this target, rounded down to
  // a power of two at 48 kHz: 30 ms would give 256 frames (5.3 ms), whose
  // deadlines a busy core misses, and each miss is a gap in a burst; 43 ms
  // gives 512 frames (10.7 ms). scripts/bench measures the key-to-tone
  // figures and scripts/soak --bursts the gaps. A value already set is kept.
  setenv("PULSE_LATENCY_MSEC", sound_server_is_pipewire() ? "43" : "30", 0);
}

bool FixedFormatOutput::open_and_start() {
  PaError err = library_.emplace().error();
  if (err != paNoError) {
    std::fprintf(stderr, "Pa_Initialize failed: %s\n", Pa_GetErrorText(err));
    library_.reset();  // nothing to release: it never initialised
    return false;
  }
  PaStream* stream = nullptr;
  err = Pa_OpenDefaultStream(&stream, 0, channels, paFloat32, sampleRate, framesPerBuffer,
                             audioCallback, nullptr);
  if (err != paNoError) {
    std::fprintf(stderr, "Pa_OpenDefaultStream failed: %s\n", Pa_GetErrorText(err));
    library_.reset();
    return false;
  }
  stream_.reset(stream);
  err = Pa_StartStream(stream_.get());
  if (err != paNoError) {
    std::fprintf(stderr, "Pa_StartStream failed: %s\n", Pa_GetErrorText(err));
    stream_.reset();
    library_.reset();
    return false;
  }
  return true;
}

void FixedFormatOutput::stop_and_close() {
  if (stream_ == nullptr) return;
  // The results are not examined: nothing could be done about them here.
  pendingCall_ = "Pa_StopStream";
  Pa_StopStream(stream_.get());
  pendingCall_ = "Pa_CloseStream";
  stream_.reset();
  pendingCall_ = nullptr;
}

void FixedFormatOutput::terminate() {
  if (!library_) return;
  pendingCall_ = "Pa_Terminate";
  library_.reset();
  pendingCall_ = nullptr;
}

// Runs on PortAudio's callback thread, possibly at high priority: it must not
// allocate, print or block. Status flags and input are ignored; the stream
// runs, rendering silence between bursts, until it is stopped.
int FixedFormatOutput::audioCallback(const void*, void* output, unsigned long frame_count,
                                     const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                     void*) noexcept {
  render_tone(static_cast<float*>(output), frame_count);
  return paContinue;
}

}  // namespace sonavel
