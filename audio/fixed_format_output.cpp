#include "audio/fixed_format_output.h"

#include <cstdio>

#include "audio/quiet_audio_libraries.h"
#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

void prepare_portaudio_process() {
  // The stream keeps the latency PortAudio chooses for the default device.
  // Through the desktop sound server's ALSA plugin that device refills the
  // server's buffer a whole ALSA period at a time. PULSE_LATENCY_MSEC, which
  // the server's client library applies over the plugin's own buffer sizes,
  // is not set: a target below the plugin's buffer made the stream stall far
  // more often after an underrun, uncorked and silent until PortAudio gives
  // up on it some 26 s later, so that tones announced meanwhile are never
  // heard (scripts/soak --starts counts such starts).
  quiet_audio_libraries();
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
