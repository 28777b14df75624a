#include "audio/portaudio_output.h"

#include <cstdio>

#include "audio/quiet_audio_libraries.h"
#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

bool PortAudioOutput::open_and_start() {
  quiet_audio_libraries();
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

void PortAudioOutput::stop_and_close() {
  if (stream_ == nullptr) return;
  // The results are not examined: nothing could be done about them here.
  Pa_StopStream(stream_.get());
  stream_.reset();
}

// Runs on PortAudio's callback thread, possibly at high priority: it must not
// allocate, print or block. Status flags and input are ignored; the stream
// runs, rendering silence between bursts, until it is stopped.
int PortAudioOutput::audioCallback(const void*, void* output, unsigned long frame_count,
                                   const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                   void*) noexcept {
  render_tone(static_cast<float*>(output), frame_count);
  return paContinue;
}

}  // namespace sonavel
