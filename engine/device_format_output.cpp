#include "engine/device_format_output.h"

#include <cstdio>

#include "engine/burst.h"

namespace sonavel {

namespace {

constexpr const char* kNoDefaultDevice = "No default output device available";
constexpr std::size_t kTargetFrames = 2048;  // about 46 ms queued in the server

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

pa_sample_format_t pulse_format_for(SampleFormat format) {
  switch (format) {
    case SampleFormat::F32:
      return PA_SAMPLE_FLOAT32NE;
    case SampleFormat::I16:
      return PA_SAMPLE_S16NE;
    default:  // U16 has no server format; reached only through the mapping
      return PA_SAMPLE_INVALID;
  }
}

struct Query {
  pa_threaded_mainloop* mainloop = nullptr;
  std::string sink;
  pa_sample_format_t format = PA_SAMPLE_INVALID;
  bool failed = false;
};

}  // namespace

std::optional<SampleFormat> sample_format_from_pulse(pa_sample_format_t format) {
  switch (format) {
    case PA_SAMPLE_FLOAT32LE:
    case PA_SAMPLE_FLOAT32BE:
      return SampleFormat::F32;
    case PA_SAMPLE_S16LE:
    case PA_SAMPLE_S16BE:
      return SampleFormat::I16;
    case PA_SAMPLE_S24LE:
    case PA_SAMPLE_S24BE:
    case PA_SAMPLE_S24_32LE:
    case PA_SAMPLE_S24_32BE:
      return SampleFormat::I24;
    case PA_SAMPLE_S32LE:
    case PA_SAMPLE_S32BE:
      return SampleFormat::I32;
    case PA_SAMPLE_U8:
    case PA_SAMPLE_ALAW:  // 8-bit codes
    case PA_SAMPLE_ULAW:
      return SampleFormat::U8;
    default:
      return std::nullopt;
  }
}

DeviceFormatOutput::Started DeviceFormatOutput::open_and_start(ToneStateHolder tone) {
  std::shared_ptr<DeviceFormatOutput> out(new DeviceFormatOutput());
  std::string error = out->connect_and_open(std::move(tone));
  if (!error.empty()) return {nullptr, error};  // out releases all it took
  return {std::move(out), {}};
}

std::string DeviceFormatOutput::error_text() const {
  return pa_strerror(pa_context_errno(context_));
}

bool DeviceFormatOutput::wait_for_operation(pa_operation* op) {
  if (op == nullptr) return false;
  while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(mainloop_);
  pa_operation_unref(op);
  return true;
}

std::string DeviceFormatOutput::connect_and_open(ToneStateHolder tone) {
  mainloop_ = pa_threaded_mainloop_new();
  if (mainloop_ == nullptr) return pa_strerror(PA_ERR_INTERNAL);
  context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Sonavel");
  if (context_ == nullptr) return pa_strerror(PA_ERR_INTERNAL);
  pa_context_set_state_callback(context_, on_context_state, this);

  MainloopLock lock(mainloop_);
  if (pa_threaded_mainloop_start(mainloop_) < 0) return pa_strerror(PA_ERR_INTERNAL);

  // 1. The default output device: no reachable server means none.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return kNoDefaultDevice;
  }
  for (;;) {  // wake-ups can be spurious: look at the state each time
    const pa_context_state_t state = pa_context_get_state(context_);
    if (state == PA_CONTEXT_READY) break;
    if (!PA_CONTEXT_IS_GOOD(state)) return kNoDefaultDevice;
    pa_threaded_mainloop_wait(mainloop_);
  }
  Query query;
  query.mainloop = mainloop_;
  const bool asked = wait_for_operation(pa_context_get_server_info(
      context_,
      [](pa_context*, const pa_server_info* info, void* q) {
        auto* query = static_cast<Query*>(q);
        if (info != nullptr && info->default_sink_name != nullptr) {
          query->sink = info->default_sink_name;
        }
        pa_threaded_mainloop_signal(query->mainloop, 0);
      },
      &query));
  if (!asked) return error_text();
  if (query.sink.empty()) return kNoDefaultDevice;

  // 2. Its default configuration, of which only the sample format is used.
  const bool described = wait_for_operation(pa_context_get_sink_info_by_name(
      context_, query.sink.c_str(),
      [](pa_context*, const pa_sink_info* info, int eol, void* q) {
        auto* query = static_cast<Query*>(q);
        if (eol < 0) query->failed = true;
        if (info != nullptr) query->format = info->sample_spec.format;
        if (eol != 0) pa_threaded_mainloop_signal(query->mainloop, 0);
      },
      &query));
  if (!described || query.failed) return error_text();

  // 3 and 4. The fixed stream in the device's format, if it is one we take.
  const std::optional<SampleFormat> format = sample_format_from_pulse(query.format);
  if (!format) return pa_strerror(PA_ERR_NOTSUPPORTED);
  if (!is_accepted_format(*format)) return unsupported_format_message(*format);
  format_ = *format;
  const pa_sample_spec spec{pulse_format_for(format_), static_cast<std::uint32_t>(kSampleRate), 1};
  if (!pa_sample_spec_valid(&spec)) return pa_strerror(PA_ERR_NOTSUPPORTED);
  stream_ = pa_stream_new(context_, "Sonavel tone", &spec, nullptr);
  if (stream_ == nullptr) return error_text();
  tone_ = std::move(tone);
  const std::size_t frame_bytes = pa_frame_size(&spec);
  blockBytes_ = kBlockFrames * frame_bytes;
  pa_stream_set_state_callback(stream_, on_stream_state, this);
  pa_stream_set_write_callback(stream_, on_stream_write, this);
  pa_stream_set_underflow_callback(stream_, on_stream_underflow, this);

  // Requests of about one block; early requests keep them small (the
  // latency-adjusting flag cannot be combined with them).
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.tlength = static_cast<std::uint32_t>(kTargetFrames * frame_bytes);
  attr.prebuf = static_cast<std::uint32_t>(-1);
  attr.minreq = static_cast<std::uint32_t>(blockBytes_);
  attr.fragsize = static_cast<std::uint32_t>(-1);

  // 5. Start: connected and not corked, the stream plays once it is ready.
  const auto flags = static_cast<pa_stream_flags_t>(
      PA_STREAM_EARLY_REQUESTS | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
  if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
    return error_text();
  }
  for (;;) {
    const pa_stream_state_t state = pa_stream_get_state(stream_);
    if (state == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(state)) return error_text();
    pa_threaded_mainloop_wait(mainloop_);
  }
  streamReady_ = true;
  return {};
}

DeviceFormatOutput::~DeviceFormatOutput() {
  stop_and_close();
}

void DeviceFormatOutput::stop_and_close() {
  if (mainloop_ == nullptr) return;
  closing_.store(true);
  {
    MainloopLock lock(mainloop_);
    if (stream_ != nullptr) {
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_ != nullptr) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
    }
  }
  // Stop the loop without holding its lock, then free what it served.
  pa_threaded_mainloop_stop(mainloop_);
  if (context_ != nullptr) pa_context_unref(context_);
  context_ = nullptr;
  pa_threaded_mainloop_free(mainloop_);
  mainloop_ = nullptr;
}

void DeviceFormatOutput::report_stream_error(int error) {
  if (closing_.load() || errorReported_.exchange(true)) return;
  std::fprintf(stderr, "audio stream error: %s\n", pa_strerror(error));
}

// The callbacks below run on the main-loop thread with its lock held.
void DeviceFormatOutput::on_context_state(pa_context* c, void* self) {
  auto* out = static_cast<DeviceFormatOutput*>(self);
  pa_threaded_mainloop_signal(out->mainloop_, 0);
  if (out->streamReady_ && pa_context_get_state(c) == PA_CONTEXT_FAILED) {
    out->report_stream_error(pa_context_errno(c));  // the server went away
  }
}

void DeviceFormatOutput::on_stream_state(pa_stream* s, void* self) {
  auto* out = static_cast<DeviceFormatOutput*>(self);
  pa_threaded_mainloop_signal(out->mainloop_, 0);
  if (out->streamReady_ && pa_stream_get_state(s) == PA_STREAM_FAILED) {
    out->report_stream_error(pa_context_errno(out->context_));  // e.g. the sink was removed
  }
}

void DeviceFormatOutput::on_stream_underflow(pa_stream*, void* self) {
  static_cast<DeviceFormatOutput*>(self)->underruns_.fetch_add(1, std::memory_order_relaxed);
}

long DeviceFormatOutput::latency_usec() {
  if (mainloop_ == nullptr || stream_ == nullptr) return -1;
  MainloopLock lock(mainloop_);
  pa_usec_t usec = 0;
  int negative = 0;
  if (pa_stream_get_latency(stream_, &usec, &negative) < 0) return -1;
  return negative ? -static_cast<long>(usec) : static_cast<long>(usec);
}

void DeviceFormatOutput::render_block(SharedToneState& tone, SampleFormat format, void* out,
                                      std::size_t frames) {
  switch (format) {
    case SampleFormat::I16:
      render_locked(tone, static_cast<std::int16_t*>(out), frames, convert_i16);
      break;
    case SampleFormat::U16:
      render_locked(tone, static_cast<std::uint16_t*>(out), frames, convert_u16);
      break;
    default:
      render_locked(tone, static_cast<float*>(out), frames, convert_f32);
      break;
  }
}

// The server asks for nbytes: render whole blocks covering them. Runs on the
// audio thread: no allocation of ours, no output, no lock but the tone state's.
void DeviceFormatOutput::on_stream_write(pa_stream* s, size_t nbytes, void* self) {
  auto* out = static_cast<DeviceFormatOutput*>(self);
  const std::size_t blocks = (nbytes + out->blockBytes_ - 1) / out->blockBytes_;
  for (std::size_t b = 0; b < blocks; ++b) {
    void* buffer = nullptr;
    std::size_t size = out->blockBytes_;
    if (pa_stream_begin_write(s, &buffer, &size) < 0 || buffer == nullptr) return;
    if (size < out->blockBytes_) {  // the server's buffer is too small for a block
      pa_stream_cancel_write(s);
      return;
    }
    render_block(*out->tone_, out->format_, buffer, kBlockFrames);
    if (pa_stream_write(s, buffer, out->blockBytes_, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
  }
}

}  // namespace sonavel
