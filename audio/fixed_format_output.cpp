#include "audio/fixed_format_output.h"

#include <cstdio>

#include "audio/quiet_audio_libraries.h"
#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

void prepare_portaudio_process() {
  // The stream keeps the latency PortAudio chooses for the default device.
  // Through the desktop sound server's ALSA plugin that device refills the
  // server's buffer a whole ALSA period at a time, and asks for the buffer's
  // start level to be what those periods can reach. PULSE_LATENCY_MSEC, which
  // the server's client library applies over the plugin's sizes, must not be
  // set lower than that buffer: after an underrun the periods could then not
  // refill the server's buffer to its start level, the stream would wait in
  // silence until PortAudio gives up on it some 26 s later, and the tones
  // announced meanwhile would never be heard.
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
