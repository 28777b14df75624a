#include "audio/fixed_format_output.h"

#include <cstdio>
#include <cstdlib>

#include "audio/quiet_audio_libraries.h"
#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

void prepare_portaudio_process() {
  // The stream keeps the latency PortAudio chooses for the default device.
  // PULSE_LATENCY_MSEC, which the server's client library would apply over
  // the ALSA plugin's own buffer sizes, is taken out of the environment: a
  // target below the plugin's period stalls the stream every time it starts
  // (see restart_stalled_stream), and the program would play nothing.
  unsetenv("PULSE_LATENCY_MSEC");
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
  watchdog_.start(callbacks_, stallLimit, [this] { restart_stalled_stream(); });
  return true;
}

// Through the desktop sound server's ALSA plugin, PortAudio's callback thread
// waits on the plugin's poll descriptor, which the plugin raises only once
// the server will take a whole ALSA period. When the server's buffer is set
// smaller than a period (PULSE_LATENCY_MSEC=10 does it every time), or its
// requests fall short of one, neither side moves again: the server waits for
// samples and PortAudio for the descriptor, playing nothing, until some
// 2048 poll time-outs (about 26 s) make PortAudio restart the device. An
// abort cancels the waiting thread, and the start prepares the device again,
// which connects a new server stream with its buffer empty.
void FixedFormatOutput::restart_stalled_stream() {
  // A shutdown waits for this, and names the call it waits in.
  pendingCall_ = "Pa_AbortStream";
  Pa_AbortStream(stream_.get());
  // The burst the stall broke is not resumed after the gap: it ends, and
  // only the next band change plays.
  cut_burst();
  pendingCall_ = "Pa_StartStream";
  // A start that fails leaves the stream still, and the watchdog tries again
  // after another limit; meanwhile the window says that nothing sounds.
  restartFailed_.store(Pa_StartStream(stream_.get()) != paNoError);
  pendingCall_ = nullptr;
  stallRestarts_.fetch_add(1);
}

std::uint64_t FixedFormatOutput::bursts_cut() const {
  return sonavel::bursts_cut();
}

void FixedFormatOutput::stop_and_close() {
  watchdog_.stop();
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
  callbacks_.fetch_add(1, std::memory_order_relaxed);
  return paContinue;
}

}  // namespace sonavel
