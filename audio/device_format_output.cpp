#include "audio/device_format_output.h"

#include <algorithm>
#include <cstdio>

#include "audio/server_identity.h"
#include "engine/burst.h"

namespace sonavel {

namespace {

constexpr const char* noDefaultDevice = "No default output device available";
// Queued in the server: 4096 frames, 93 ms. A queue has to outlast the
// longest while the server may wait on this client, and a busy or virtual
// machine can hold a thread back for tens of milliseconds. The queue is no
// delay to a key's tone: a burst that starts while only silence is queued
// drops that silence first (see write_blocks).
constexpr std::size_t targetFrames = 4096;
// Silence written first after a flush, in blocks. The server restarts the
// stream from where its sink had got to, and what the sink had mixed ahead by
// then can take the place of the first few milliseconds of new data; two
// blocks, 11.6 ms, of silence are lost instead of a burst's start.
constexpr std::size_t flushSilenceBlocks = 2;
// Silence a new stream writes before a burst may start on it: its first
// fill. The server starts a new stream by rewinding its sink as far as the
// sink can, so that the stream sounds at once, and on a busy machine what is
// mixed over again there can be lost at a sink's monitor; that is silence,
// and a burst waiting for the stream starts at the next request, while the
// stream plays, as a burst on any playing stream does.
constexpr std::size_t openingFrames = targetFrames;
// Silence rendered since the last burst sample, beyond which nothing the
// server holds for this stream can be part of a burst any more: the queue
// and what the sink has mixed ahead are both far shorter.
constexpr std::size_t settledSilenceFrames = 3 * targetFrames;

// The smallest request the server may make of the write callback, in frames.
// With early requests PulseAudio takes it only as the size of each refill, so
// one 256-frame block keeps the stream topped up in small steps. PipeWire's
// PulseAudio service also runs the whole graph at this period: one block
// would be a 5.3 ms period, whose deadlines a busy machine misses, each miss a
// gap in the burst. Two blocks give a 512-frame period (10.7 ms), within the
// 40 ms goal from key to tone; a longer period would leave more room for a
// late cycle but take a key's tone past that goal. scripts/bench measures the
// goal and scripts/soak --bursts the gaps, beside a reference client's.
std::size_t minimum_request_frames(bool pipewire) {
  return pipewire ? 2 * DeviceFormatOutput::blockFrames : DeviceFormatOutput::blockFrames;
}

// Holds the threaded main loop's lock for a scope.
class MainloopLock {
 public:
  explicit MainloopLock(pa_threaded_mainloop* m) : m_(m) { pa_threaded_mainloop_lock(m_); }
  ~MainloopLock() { pa_threaded_mainloop_unlock(m_); }
  MainloopLock(const MainloopLock&) = delete;
  MainloopLock& operator=(const MainloopLock&) = delete;

 private:
  pa_threaded_mainloop* m_;
};

// Calls f with a value of the codec that encodes the format: one place that
// maps the stream's format to its codec, for rendering and for silence alike.
template <typename F>
decltype(auto) with_codec(SampleFormat format, F&& f) {
  switch (format) {
    case SampleFormat::I16:
      return f(I16Codec{});
    case SampleFormat::U16:
      return f(U16Codec{});
    default:
      return f(F32Codec{});
  }
}

// Fills frames slots with the format's encoding of silence.
void write_silence(SampleFormat format, void* out, std::size_t frames) noexcept {
  with_codec(format, [&]<typename Codec>(Codec) {
    fill_silence<Codec>(static_cast<typename Codec::Slot*>(out), frames);
  });
}

// The server has no unsigned 16-bit format, so U16 never reaches this.
pa_sample_format_t pulse_format_for(SampleFormat format) {
  return format == SampleFormat::I16 ? PA_SAMPLE_S16NE : PA_SAMPLE_FLOAT32NE;
}

}  // namespace

std::optional<SampleFormat> sample_format_from_pulse(pa_sample_format_t format) {
  // Either byte order; 24 bits in 32 are I24 too, and the 8-bit codes U8.
  static constexpr std::pair<pa_sample_format_t, SampleFormat> names[] = {
      {PA_SAMPLE_FLOAT32LE, SampleFormat::F32}, {PA_SAMPLE_FLOAT32BE, SampleFormat::F32},
      {PA_SAMPLE_S16LE, SampleFormat::I16},     {PA_SAMPLE_S16BE, SampleFormat::I16},
      {PA_SAMPLE_S24LE, SampleFormat::I24},     {PA_SAMPLE_S24BE, SampleFormat::I24},
      {PA_SAMPLE_S24_32LE, SampleFormat::I24},  {PA_SAMPLE_S24_32BE, SampleFormat::I24},
      {PA_SAMPLE_S32LE, SampleFormat::I32},     {PA_SAMPLE_S32BE, SampleFormat::I32},
      {PA_SAMPLE_U8, SampleFormat::U8},         {PA_SAMPLE_ALAW, SampleFormat::U8},
      {PA_SAMPLE_ULAW, SampleFormat::U8}};
  for (const auto& [pulse, name] : names) {
    if (pulse == format) return name;
  }
  return std::nullopt;
}

bool DeviceFormatOutput::open_and_start() {
  error_ = connect_and_open();
  if (error_.empty()) return true;
  stop_and_close();
  terminate();
  return false;
}

std::string DeviceFormatOutput::error_text() const {
  return pa_strerror(pa_context_errno(context_.get()));
}

bool DeviceFormatOutput::wait_for_operation(pa_operation* op) {
  if (op == nullptr) return false;
  while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
    pa_threaded_mainloop_wait(mainloop_.get());
  }
  pa_operation_unref(op);
  return true;
}

// What the server says of its default sink: its name and configuration, of
// which the stream uses the sample format, and whether PipeWire serves it.
struct DeviceFormatOutput::SinkQuery {
  pa_threaded_mainloop* mainloop = nullptr;
  std::string sink;
  bool pipewire = false;
  pa_sample_format_t format = PA_SAMPLE_INVALID;
  unsigned channels = 0;
  bool failed = false;
};

// In phases, under the loop's lock: connect to the server, ask it about the
// default sink, and open the stream there.
std::string DeviceFormatOutput::connect_and_open() {
  mainloop_.reset(pa_threaded_mainloop_new());
  if (mainloop_ == nullptr) return pa_strerror(PA_ERR_INTERNAL);
  context_.reset(pa_context_new(pa_threaded_mainloop_get_api(mainloop_.get()), "Sonavel"));
  if (context_ == nullptr) return pa_strerror(PA_ERR_INTERNAL);
  pa_context_set_state_callback(context_.get(), on_context_state, this);

  MainloopLock lock(mainloop_.get());
  if (pa_threaded_mainloop_start(mainloop_.get()) < 0) return pa_strerror(PA_ERR_INTERNAL);
  if (!connect_context()) return noDefaultDevice;
  SinkQuery sink;
  if (std::string error = describe_default_sink(sink); !error.empty()) return error;
  return open_stream(sink);
}

// A server that cannot be reached, or that drops the connection before it is
// ready, means there is no default output device.
bool DeviceFormatOutput::connect_context() {
  pa_context* context = context_.get();
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
  for (;;) {  // wake-ups can be spurious: look at the state each time
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) return true;
    if (!PA_CONTEXT_IS_GOOD(state)) return false;
    pa_threaded_mainloop_wait(mainloop_.get());
  }
}

std::string DeviceFormatOutput::describe_default_sink(SinkQuery& query) {
  query.mainloop = mainloop_.get();
  const bool asked = wait_for_operation(pa_context_get_server_info(
      context_.get(),
      [](pa_context*, const pa_server_info* info, void* q) {
        auto* query = static_cast<SinkQuery*>(q);
        if (info != nullptr && info->default_sink_name != nullptr) {
          query->sink = info->default_sink_name;
        }
        query->pipewire = info != nullptr && is_pipewire_name(info->server_name);
        pa_threaded_mainloop_signal(query->mainloop, 0);
      },
      &query));
  if (!asked) return error_text();
  if (query.sink.empty()) return noDefaultDevice;
  const bool described = wait_for_operation(pa_context_get_sink_info_by_name(
      context_.get(), query.sink.c_str(),
      [](pa_context*, const pa_sink_info* info, int eol, void* q) {
        auto* query = static_cast<SinkQuery*>(q);
        if (eol < 0) query->failed = true;
        if (info != nullptr) {
          query->format = info->sample_spec.format;
          query->channels = info->sample_spec.channels;
        }
        if (eol != 0) pa_threaded_mainloop_signal(query->mainloop, 0);
      },
      &query));
  if (!described || query.failed) return error_text();
  return {};
}

// The fixed stream in the device's format, if it is one we take, started:
// connected and not corked, it plays once it is ready.
std::string DeviceFormatOutput::open_stream(const SinkQuery& sink) {
  const std::optional<SampleFormat> format = sample_format_from_pulse(sink.format);
  if (!format) return pa_strerror(PA_ERR_NOTSUPPORTED);
  if (!is_accepted_format(*format)) return unsupported_format_message(*format);
  format_ = *format;
  sinkChannels_ = sink.channels;
  const pa_sample_spec spec{pulse_format_for(format_), static_cast<std::uint32_t>(sampleRate), 1};
  // One side: the one channel at that side's position. Both: no map, so the
  // server places the stream as mono, on every channel.
  pa_channel_map side{};
  side.channels = 1;
  side.map[0] =
      ear_ == Ear::Left ? PA_CHANNEL_POSITION_FRONT_LEFT : PA_CHANNEL_POSITION_FRONT_RIGHT;
  stream_.reset(
      pa_stream_new(context_.get(), "Sonavel tone", &spec, ear_ == Ear::Both ? nullptr : &side));
  if (stream_ == nullptr) return error_text();
  pa_stream* stream = stream_.get();
  frameBytes_ = pa_frame_size(&spec);
  blockBytes_ = blockFrames * frameBytes_;
  pa_stream_set_state_callback(stream, on_stream_state, this);
  pa_stream_set_write_callback(stream, on_stream_write, this);
  pa_stream_set_underflow_callback(stream, on_stream_underflow, this);

  // Early requests keep the requests small (the latency-adjusting flag
  // cannot be combined with them).
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.tlength = static_cast<std::uint32_t>(targetFrames * frameBytes_);
  attr.prebuf = static_cast<std::uint32_t>(-1);
  minimumRequestBytes_ = minimum_request_frames(sink.pipewire) * frameBytes_;
  attr.minreq = static_cast<std::uint32_t>(minimumRequestBytes_);
  attr.fragsize = static_cast<std::uint32_t>(-1);

  // No automatic timing updates: nothing in the program reads them, and they
  // would wake the server and this client several times a second.
  // A side's stream may not be remixed onto the other channels; a mono one
  // must be (with the flag PulseAudio would play it nowhere).
  const auto flags = static_cast<pa_stream_flags_t>(
      PA_STREAM_EARLY_REQUESTS | (ear_ == Ear::Both ? 0 : PA_STREAM_NO_REMIX_CHANNELS));
  silentFrames_ = settledSilenceFrames;  // nothing has sounded yet
  openingFrames_ = openingFrames;
  if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
    return error_text();
  }
  for (;;) {
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(state)) return error_text();
    pa_threaded_mainloop_wait(mainloop_.get());
  }
  streamReady_ = true;
  streamIndex_.store(pa_stream_get_index(stream));
  return {};
}

void DeviceFormatOutput::stop_and_close() {
  if (mainloop_ == nullptr || stream_ == nullptr) return;
  closing_.store(true);
  const MainloopLock lock(mainloop_.get());
  pa_stream_set_write_callback(stream_.get(), nullptr, nullptr);
  pa_stream_set_state_callback(stream_.get(), nullptr, nullptr);
  pa_stream_set_underflow_callback(stream_.get(), nullptr, nullptr);
  pa_stream_disconnect(stream_.get());
  stream_.reset();
  streamReady_ = false;
  streamIndex_.store(PA_INVALID_INDEX);
}

void DeviceFormatOutput::terminate() {
  if (mainloop_ == nullptr) return;
  closing_.store(true);
  if (context_ != nullptr) {
    const MainloopLock lock(mainloop_.get());
    pa_context_set_state_callback(context_.get(), nullptr, nullptr);
    pa_context_disconnect(context_.get());
  }
  // Stop the loop without holding its lock; the context it served goes
  // before it.
  pa_threaded_mainloop_stop(mainloop_.get());
  context_.reset();
  mainloop_.reset();
}

void DeviceFormatOutput::report_stream_error(int error) {
  if (closing_.load()) return;
  lost_.store(true);
  if (errorReported_.exchange(true)) return;
  std::fprintf(stderr, "audio stream error: %s\n", pa_strerror(error));
}

// The callbacks below run on the main-loop thread with its lock held.
void DeviceFormatOutput::on_context_state(pa_context* c, void* self) {
  auto* out = static_cast<DeviceFormatOutput*>(self);
  pa_threaded_mainloop_signal(out->mainloop_.get(), 0);
  if (out->streamReady_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(c))) {
    out->report_stream_error(pa_context_errno(c));  // the server went away
  }
}

void DeviceFormatOutput::on_stream_state(pa_stream* s, void* self) {
  auto* out = static_cast<DeviceFormatOutput*>(self);
  pa_threaded_mainloop_signal(out->mainloop_.get(), 0);
  if (out->streamReady_ && pa_stream_get_state(s) == PA_STREAM_FAILED) {
    out->report_stream_error(pa_context_errno(out->context_.get()));  // e.g. the sink was removed
  }
}

void DeviceFormatOutput::on_stream_underflow(pa_stream*, void* self) {
  static_cast<DeviceFormatOutput*>(self)->underruns_.fetch_add(1, std::memory_order_relaxed);
}

long DeviceFormatOutput::latency_usec() {
  if (mainloop_ == nullptr || stream_ == nullptr) return -1;
  MainloopLock lock(mainloop_.get());
  if (!wait_for_operation(pa_stream_update_timing_info(
          stream_.get(),
          [](pa_stream*, int, void* loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
          },
          mainloop_.get()))) {
    return -1;
  }
  pa_usec_t usec = 0;
  int negative = 0;
  if (pa_stream_get_latency(stream_.get(), &usec, &negative) < 0) return -1;
  return negative ? -static_cast<long>(usec) : static_cast<long>(usec);
}

std::size_t DeviceFormatOutput::granted_minimum_request_frames() {
  if (mainloop_ == nullptr || stream_ == nullptr) return 0;
  const MainloopLock lock(mainloop_.get());
  const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_.get());
  return attr == nullptr ? 0 : attr->minreq / frameBytes_;
}

bool DeviceFormatOutput::render_block(SharedToneState& tone, SampleFormat format, void* out,
                                      std::size_t frames) noexcept {
  return with_codec(format, [&]<typename Codec>(Codec) {
    return render_locked<Codec>(tone, static_cast<typename Codec::Slot*>(out), frames);
  });
}

bool DeviceFormatOutput::burst_starts_afresh() noexcept {
  return openingFrames_ == 0 && silentFrames_ >= settledSilenceFrames && burst_waiting(*tone_);
}

// Renders whole blocks covering nbytes. A burst that starts afresh (about to
// start while all the server holds is silence) first has that silence dropped
// (a flush, which the server answers with a request for the whole queue) and
// a little fresh silence written before it, so the burst sounds at once
// instead of behind the queue; a burst started while another still sounds
// follows it in the queue as before. The caller decides afresh, once.
// Runs with the main loop's lock held: no allocation of ours, no output, no
// lock but the tone state's.
void DeviceFormatOutput::write_blocks(pa_stream* s, std::size_t nbytes, bool afresh) noexcept {
  std::size_t silent_blocks = 0;
  if (afresh) {
    if (pa_operation* op = pa_stream_flush(s, nullptr, nullptr)) pa_operation_unref(op);
    silent_blocks = flushSilenceBlocks;
  }
  const std::size_t blocks = silent_blocks + (nbytes + blockBytes_ - 1) / blockBytes_;
  for (std::size_t b = 0; b < blocks; ++b) {
    void* buffer = nullptr;
    std::size_t size = blockBytes_;
    if (pa_stream_begin_write(s, &buffer, &size) < 0 || buffer == nullptr) return;
    if (size < blockBytes_) {  // the server's buffer is too small for a block
      pa_stream_cancel_write(s);
      return;
    }
    if (b < silent_blocks || openingFrames_ > 0) {
      write_silence(format_, buffer, blockFrames);
      openingFrames_ -= std::min(openingFrames_, blockFrames);
    } else {
      const bool sounding = render_block(*tone_, format_, buffer, blockFrames);
      silentFrames_ = sounding ? 0 : std::min(silentFrames_ + blockFrames, settledSilenceFrames);
    }
    if (pa_stream_write(s, buffer, blockBytes_, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
  }
}

// The server asks for nbytes. Runs on the audio thread.
void DeviceFormatOutput::on_stream_write(pa_stream* s, size_t nbytes, void* self) noexcept {
  auto* out = static_cast<DeviceFormatOutput*>(self);
  out->write_blocks(s, nbytes, out->burst_starts_afresh());
}

// The server asks for more once per period of its own, so a burst that
// waited for that request would start up to a period late (10.7 ms on
// PipeWire's graph at 512 frames). Its first blocks go now instead, as the
// request would have written them; the request that the flush brings fills
// the queue behind them. The audio thread waits for the loop's lock while
// this holds it: a flush and a few blocks' rendering, only when a burst starts
// on silence, while the server still has the whole queue of silence to play.
void DeviceFormatOutput::send_burst_start() {
  if (mainloop_ == nullptr) return;
  const MainloopLock lock(mainloop_.get());
  if (!streamReady_ || !burst_starts_afresh()) return;
  write_blocks(stream_.get(), minimumRequestBytes_, true);
}

}  // namespace sonavel
