#include "arrival_timers.h"

#include <pipewire/pipewire.h>
#include <pulse/simple.h>
#include <spa/param/audio/format-utils.h>

#include <cstdint>

namespace sonavel_bench {

namespace {
constexpr int pulseRate = 44100;
constexpr std::size_t pulseBlock = 64;
constexpr int graphRate = 48000;  // PipeWire's graph rate, so nothing resamples the reading
}  // namespace

void ArrivalTimer::arm() {
  const std::lock_guard<std::mutex> hold(lock_);
  armed_ = true;
  found_ = false;
}

bool ArrivalTimer::found(Clock::time_point& at) {
  const std::lock_guard<std::mutex> hold(lock_);
  at = at_;
  return found_;
}

bool ArrivalTimer::quiet() const {
  return Clock::now() - lastSound_.load() > std::chrono::milliseconds(300);
}

void ArrivalTimer::take(const float* samples, std::size_t n, Clock::time_point first, double rate) {
  for (std::size_t i = 0; i < n; ++i) {
    if (samples[i] == 0.0f) continue;
    const auto at = first + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(i / rate));
    lastSound_ = at;
    const std::lock_guard<std::mutex> hold(lock_);
    if (armed_) {
      armed_ = false;
      found_ = true;
      at_ = at;
    }
  }
}

bool PulseArrivalTimer::open() {
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, pulseRate, 1};
  const pa_buffer_attr attr{static_cast<std::uint32_t>(-1), 0, 0, 0, pulseBlock * sizeof(float)};
  int error = 0;
  stream_ = pa_simple_new(nullptr, "key_to_tone", PA_STREAM_RECORD, "nullsink.monitor", "monitor",
                          &spec, nullptr, &attr, &error);
  if (stream_ == nullptr) return false;
  thread_ = std::thread([this] { run(); });
  return true;
}

PulseArrivalTimer::~PulseArrivalTimer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (stream_ != nullptr) pa_simple_free(stream_);
}

void PulseArrivalTimer::run() {
  float samples[pulseBlock];
  while (!stop_) {
    if (pa_simple_read(stream_, samples, sizeof samples, nullptr) < 0) return;
    const auto last = Clock::now();
    take(samples, pulseBlock,
         last - std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>((pulseBlock - 1) / double(pulseRate))),
         pulseRate);
  }
}

bool GraphArrivalTimer::open() {
  pw_init(nullptr, nullptr);
  loop_ = pw_thread_loop_new("key_to_tone", nullptr);
  if (loop_ == nullptr) return false;
  static const pw_stream_events events = [] {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.process = on_process;
    return e;
  }();
  pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                           "Capture", PW_KEY_STREAM_CAPTURE_SINK, "true",
                                           PW_KEY_NODE_LATENCY, "2048/48000", nullptr);
  stream_ =
      pw_stream_new_simple(pw_thread_loop_get_loop(loop_), "key_to_tone", props, &events, this);
  if (stream_ == nullptr) return false;
  std::uint8_t buffer[1024];
  spa_pod_builder builder;
  spa_pod_builder_init(&builder, buffer, sizeof buffer);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.rate = graphRate;
  info.channels = 1;
  const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  const auto flags = static_cast<pw_stream_flags>(
      PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
  if (pw_stream_connect(stream_, PW_DIRECTION_INPUT, PW_ID_ANY, flags, params, 1) < 0) {
    return false;
  }
  return pw_thread_loop_start(loop_) == 0;
}

GraphArrivalTimer::~GraphArrivalTimer() {
  if (loop_ != nullptr) pw_thread_loop_stop(loop_);
  if (stream_ != nullptr) pw_stream_destroy(stream_);
  if (loop_ != nullptr) pw_thread_loop_destroy(loop_);
  pw_deinit();
}

// Runs in the graph's cycle: the cycle's samples, and when the cycle began
// (the monotonic clock, which the steady clock reads too).
void GraphArrivalTimer::on_process(void* self) {
  auto* timer = static_cast<GraphArrivalTimer*>(self);
  pw_buffer* buffer = pw_stream_dequeue_buffer(timer->stream_);
  if (buffer == nullptr) return;
  const spa_data& data = buffer->buffer->datas[0];
  pw_time time{};
  if (data.data != nullptr && pw_stream_get_time_n(timer->stream_, &time, sizeof time) == 0) {
    const auto* samples =
        static_cast<const float*>(SPA_PTROFF(data.data, data.chunk->offset, void));
    timer->take(samples, data.chunk->size / sizeof(float),
                Clock::time_point(std::chrono::nanoseconds(time.now)), graphRate);
  }
  pw_stream_queue_buffer(timer->stream_, buffer);
}

}  // namespace sonavel_bench
