// sonavel_pa's audio output through PortAudio: the tone engine on the default
// output device, as a fixed mono stream of 32-bit floats at 44100 Hz in
// buffers of 256 frames.
#pragma once

#include <portaudio.h>

#include <atomic>
#include <optional>

#include "audio/c_owners.h"
#include "audio/output_stream.h"

namespace sonavel {

// Prepares the process for PortAudio: drops the ALSA and JACK libraries'
// console chatter. That writes process-wide state that other threads read
// without a lock, so this runs on the main thread before any other thread
// exists: first thing in main, or in a test before the toolkit starts.
void prepare_portaudio_process();

class FixedFormatOutput final : public OutputStream {
 public:
  static constexpr int channels = 1;
  static constexpr unsigned long framesPerBuffer = 256;

  FixedFormatOutput() = default;
  // Stops and closes the stream, then releases the library: the callback
  // never runs against a closed stream or a released library.
  ~FixedFormatOutput() override {
    stop_and_close();
    terminate();
  }
  FixedFormatOutput(const FixedFormatOutput&) = delete;
  FixedFormatOutput& operator=(const FixedFormatOutput&) = delete;

  // Initialises PortAudio, opens and starts the stream. On failure writes one
  // line to standard error, releases what it acquired and returns false.
  // Any one thread, after prepare_portaudio_process; it touches no
  // process-wide state of its own.
  bool open_and_start() override;
  // Stops the stream (its last buffers play out) and closes it, if one is
  // open. The library stays initialised until terminate.
  void stop_and_close() override;
  // Releases PortAudio, if it is initialised.
  void terminate() override;

  bool running() const { return stream_ != nullptr; }

  // PortAudio's stream callback: renders the buffer and keeps the stream
  // running. Audio thread; real-time safe.
  static int audioCallback(const void* input, void* output, unsigned long frame_count,
                           const PaStreamCallbackTimeInfo* time_info,
                           PaStreamCallbackFlags status_flags, void* user_data) noexcept;

 private:
  const char* pending_call() const override { return pendingCall_.load(); }

  // Declared first, so it is released last.
  std::optional<PortAudioLibrary> library_;
  PortAudioStream stream_;
  // The PortAudio call the shutdown is in, for shut_down_within's answer.
  std::atomic<const char*> pendingCall_{nullptr};
};

}  // namespace sonavel
