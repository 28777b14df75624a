// sonavel_pa's audio output: the tone engine through PortAudio on the default
// output device, as a fixed mono stream of 32-bit floats at 44100 Hz in
// buffers of 256 frames.
#pragma once

#include <portaudio.h>

#include "engine/output_stream.h"
#include "engine/portaudio_api.h"

namespace sonavel {

class FixedFormatOutput final : public OutputStream {
 public:
  static constexpr int kChannels = 1;
  static constexpr unsigned long kFramesPerBuffer = 256;

  explicit FixedFormatOutput(const PortAudioApi& api = real_portaudio()) : api_(api) {}
  // Stops the stream before the tone state it renders from can go away, and
  // releases the library, if the shell has not done so already.
  ~FixedFormatOutput() override;
  FixedFormatOutput(const FixedFormatOutput&) = delete;
  FixedFormatOutput& operator=(const FixedFormatOutput&) = delete;

  // Initialises PortAudio, opens and starts the stream. On failure writes one
  // line to standard error, releases what it acquired and returns false.
  // Main thread only.
  bool open_and_start();
  void stop_and_close() override;  // main thread only
  void terminate() override;       // main thread only

  PaStream* stream() const { return stream_; }

  // PortAudio's stream callback: renders the buffer and keeps the stream
  // running. Audio thread; real-time safe.
  static int audioCallback(const void* input, void* output, unsigned long frame_count,
                           const PaStreamCallbackTimeInfo* time_info,
                           PaStreamCallbackFlags status_flags, void* user_data);

 private:
  const PortAudioApi& api_;
  PaStream* stream_ = nullptr;  // null while no stream is open
  bool initialised_ = false;
};

}  // namespace sonavel
