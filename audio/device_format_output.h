// sonavel's audio output through the desktop's sound server (the PulseAudio
// client API, served by PulseAudio and PipeWire alike): the tone engine on the
// default sink, as a mono 44100 Hz stream in the sink's own sample format.
//
// The client library's main-loop thread is the audio thread: it calls the
// write callback, which renders whole blocks of 256 frames, taking the
// tone-state lock once per block. A burst that starts while nothing sounds has
// its first blocks written by the main thread, under the loop's lock, so that
// it need not wait for the server's next request. A running stream that fails
// reports one line on standard error and says it is silenced; the program
// goes on, and its window connects again with a new output.
#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "audio/c_owners.h"
#include "audio/output_stream.h"
#include "audio/sample_format.h"
#include "engine/ear.h"
#include "engine/tone_state.h"

namespace sonavel {

// Touched on the server's thread as well as the main thread.
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<unsigned>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

// How the server's sample formats map onto the fifteen names.
std::optional<SampleFormat> sample_format_from_pulse(pa_sample_format_t format);

class DeviceFormatOutput final : public OutputStream {
 public:
  static constexpr std::size_t blockFrames = 256;

  // tone: the tone state the stream is rendered from. ear: Both plays the
  // one channel as the server places a mono stream, on every channel of the
  // sink; Left or Right places it on that front channel alone, where the
  // server may not remix it, so the other side gets silence.
  explicit DeviceFormatOutput(ToneStateHolder tone, Ear ear = Ear::Both)
      : tone_(std::move(tone)), ear_(ear) {}
  // Disconnects the stream and lets go of the server; the stream's owner
  // releasing it is what stops it. Main thread only.
  ~DeviceFormatOutput() override {
    stop_and_close();
    terminate();
  }
  DeviceFormatOutput(const DeviceFormatOutput&) = delete;
  DeviceFormatOutput& operator=(const DeviceFormatOutput&) = delete;

  // Connects to the server, reads the default sink's format, and opens and
  // starts the stream. On failure error() holds the reason, which the caller
  // reports, and all that was taken is released. Any one thread, once.
  bool open_and_start() override;
  // Disconnects the stream, if one is open; the server connection stays.
  void stop_and_close() override;
  // Disconnects from the server and stops the client library's thread.
  void terminate() override;

  const std::string& error() const { return error_; }
  Ear ear() const { return ear_; }
  // The default sink's channels, as the server described it at the open.
  unsigned sink_channels() const { return sinkChannels_; }
  SampleFormat format() const { return format_; }
  // The server's index of the open stream, or PA_INVALID_INDEX. Any thread.
  std::uint32_t stream_index() const { return streamIndex_.load(); }
  // Underruns the server has reported for this stream so far. Any thread.
  unsigned underruns() const { return underruns_.load(std::memory_order_relaxed); }
  // The stream's current latency (queued in the server and the sink) in
  // microseconds, asked of the server now, or -1 when it does not answer.
  // Main thread.
  long latency_usec();
  // The smallest request the server has granted the stream, in frames, as it
  // answered the stream's buffer settings; 0 without a stream. Main thread.
  std::size_t granted_minimum_request_frames();
  // Right after a burst start: when nothing sounds, the burst's first blocks
  // go to the server now rather than at its next request. Main thread.
  void send_burst_start() override;
  // Whether the server has gone away, or the stream failed, since it ran.
  bool silenced() const override { return lost_.load(); }
  // Fills one block from the engine, encoded for format, and says whether
  // any of it belonged to a burst; used by the writes to the stream. Real-time
  // safe apart from the tone-state lock.
  static bool render_block(SharedToneState& tone, SampleFormat format, void* out,
                           std::size_t frames) noexcept;

 private:
  struct SinkQuery;
  std::string connect_and_open();
  bool connect_context();
  std::string describe_default_sink(SinkQuery& query);
  std::string open_stream(const SinkQuery& sink);
  bool wait_for_operation(pa_operation* op);
  std::string error_text() const;
  void report_stream_error(int error);

  static void on_context_state(pa_context* c, void* self);
  static void on_stream_state(pa_stream* s, void* self);
  static void on_stream_write(pa_stream* s, size_t nbytes, void* self) noexcept;
  // Whether a burst waits to start while all the server holds is silence.
  bool burst_starts_afresh() noexcept;
  void write_blocks(pa_stream* s, std::size_t nbytes, bool afresh) noexcept;
  static void on_stream_underflow(pa_stream* s, void* self);

  // Declared in the order they are made; the destructor takes the stream
  // down under the loop's lock and stops the loop before the rest goes.
  PulseMainloop mainloop_;
  PulseContext context_;
  PulseStream stream_;
  ToneStateHolder tone_;  // the stream's reference
  Ear ear_;
  unsigned sinkChannels_ = 0;
  std::string error_;
  SampleFormat format_ = SampleFormat::F32;
  std::size_t frameBytes_ = 0;
  std::size_t blockBytes_ = 0;
  std::size_t minimumRequestBytes_ = 0;
  bool streamReady_ = false;          // under the main loop's lock
  std::size_t silentFrames_ = 0;      // rendered since the last burst sample; under that lock
  std::size_t openingFrames_ = 0;     // silence still to write before a burst; under that lock
  std::atomic<bool> closing_{false};  // our own disconnect is not an error
  std::atomic<bool> errorReported_{false};
  std::atomic<bool> lost_{false};
  std::atomic<unsigned> underruns_{0};
  std::atomic<std::uint32_t> streamIndex_{PA_INVALID_INDEX};
};

}  // namespace sonavel
