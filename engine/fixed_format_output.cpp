#include "engine/fixed_format_output.h"

#include <cstdio>

#include "engine/burst.h"
#include "engine/module_tone.h"
#include "engine/quiet_audio_libraries.h"

namespace sonavel {

FixedFormatOutput::~FixedFormatOutput() {
  stop_and_close();
  if (initialised_) terminate();
}

bool FixedFormatOutput::open_and_start() {
  quiet_audio_libraries();
  PaError err = api_.initialize();
  if (err != paNoError) {
    std::fprintf(stderr, "Pa_Initialize failed: %s\n", api_.error_text(err));
    return false;
  }
  initialised_ = true;
  err = api_.open_default_stream(&stream_, 0, kChannels, paFloat32, kSampleRate, kFramesPerBuffer,
                                 audioCallback, nullptr);
  if (err != paNoError) {
    std::fprintf(stderr, "Pa_OpenDefaultStream failed: %s\n", api_.error_text(err));
    stream_ = nullptr;
    terminate();
    return false;
  }
  err = api_.start_stream(stream_);
  if (err != paNoError) {
    std::fprintf(stderr, "Pa_StartStream failed: %s\n", api_.error_text(err));
    api_.close_stream(stream_);
    stream_ = nullptr;
    terminate();
    return false;
  }
  return true;
}

void FixedFormatOutput::stop_and_close() {
  if (stream_ == nullptr) return;
  // Stop (let the last buffers play out) before closing; the results are not
  // examined, as nothing could be done about them at this point.
  api_.stop_stream(stream_);
  api_.close_stream(stream_);
  stream_ = nullptr;
}

void FixedFormatOutput::terminate() {
  api_.terminate();
  initialised_ = false;
}

// Runs on PortAudio's callback thread, possibly at high priority: it must not
// allocate, print or block. Status flags and input are ignored; the stream
// runs, rendering silence between bursts, until it is stopped.
int FixedFormatOutput::audioCallback(const void*, void* output, unsigned long frame_count,
                                     const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                     void*) {
  render_tone(static_cast<float*>(output), frame_count);
  return paContinue;
}

}  // namespace sonavel
