// sonavel_pa's audio output through PortAudio: the tone engine on the default
// output device, as a fixed mono stream of 32-bit floats at 44100 Hz in
// buffers of 256 frames.
#pragma once

#include <portaudio.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "audio/c_owners.h"
#include "audio/output_stream.h"
#include "audio/stall_watchdog.h"

namespace sonavel {

// Prepares the process for PortAudio: drops a latency asked of the sound
// server's client library, and the ALSA and JACK libraries' console
// chatter. That writes process-wide state that other threads read
// without a lock, so this runs on the main thread before any other thread
// exists: first thing in main, or in a test before the toolkit starts.
void prepare_portaudio_process();

class FixedFormatOutput final : public OutputStream {
 public:
  static constexpr int channels = 1;
  static constexpr unsigned long framesPerBuffer = 256;
  // How long the running stream may go without a callback before it is
  // started afresh. A working stream calls back every few milliseconds; this
  // is long enough that a loaded machine, or a sound server still settling
  // its first second, is not taken for a stall.
  static constexpr std::chrono::milliseconds stallLimit{750};

  FixedFormatOutput() = default;
  // Stops and closes the stream, then releases the library: the callback
  // never runs against a closed stream or a released library.
  ~FixedFormatOutput() override {
    stop_and_close();
    terminate();
  }
  FixedFormatOutput(const FixedFormatOutput&) = delete;
  FixedFormatOutput& operator=(const FixedFormatOutput&) = delete;

  // Initialises PortAudio, opens and starts the stream, and starts watching
  // it for a stall. On failure writes one line to standard error, releases
  // what it acquired and returns false. Any one thread, after
  // prepare_portaudio_process; it touches no process-wide state of its own.
  bool open_and_start() override;
  // Stops watching, then stops the stream (its last buffers play out) and
  // closes it, if one is open. The library stays initialised until terminate.
  void stop_and_close() override;
  // Releases PortAudio, if it is initialised.
  void terminate() override;

  bool running() const { return stream_ != nullptr; }
  // How many times a stalled stream has been started afresh.
  int stall_restarts() const { return stallRestarts_.load(); }
  // Whether the last restart failed, so that nothing sounds until one works.
  bool silenced() const override { return restartFailed_.load(); }
  // The bursts restarts have cut short.
  std::uint64_t bursts_cut() const override;

  // PortAudio's stream callback: renders the buffer, counts the call for the
  // watchdog and keeps the stream running. Audio thread; real-time safe.
  static int audioCallback(const void* input, void* output, unsigned long frame_count,
                           const PaStreamCallbackTimeInfo* time_info,
                           PaStreamCallbackFlags status_flags, void* user_data) noexcept;

 private:
  const char* pending_call() const override { return pendingCall_.load(); }
  // The watchdog's recovery: aborts the stream, which drops what the server
  // holds of it, and starts it again on a fresh server stream.
  void restart_stalled_stream();

  // Declared first, so it is released last.
  std::optional<PortAudioLibrary> library_;
  PortAudioStream stream_;
  // The PortAudio call the shutdown is in, for shut_down_within's answer.
  std::atomic<const char*> pendingCall_{nullptr};
  // The stream callback's calls; the callback has no user data, and one
  // output exists at a time, so the count is the class's.
  static inline std::atomic<std::uint64_t> callbacks_{0};
  std::atomic<int> stallRestarts_{0};
  std::atomic<bool> restartFailed_{false};
  // Declared last, so that it stops before anything it uses goes.
  StallWatchdog watchdog_;
};

}  // namespace sonavel
