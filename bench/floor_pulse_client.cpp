// The audio part of sonavel's floor: the least a libpulse client does to play
// as sonavel plays, a threaded main loop and one float32 mono 44100 Hz stream
// on the default sink asked for as sonavel asks (4096 frames queued, 256-frame
// requests, early requests), playing silence. Prints "playing" once the server
// has asked for data, and runs until SIGTERM or SIGINT.
#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstring>

#include "floor_client.h"

namespace {

std::atomic<bool> asked{false};

void on_write(pa_stream* s, size_t nbytes, void*) {
  void* buffer = nullptr;
  std::size_t size = nbytes;
  if (pa_stream_begin_write(s, &buffer, &size) < 0 || buffer == nullptr) return;
  std::memset(buffer, 0, size);
  pa_stream_write(s, buffer, size, nullptr, 0, PA_SEEK_RELATIVE);
  asked.store(true);
}

void signal_loop(pa_context*, void* loop) {
  pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

}  // namespace

int main() {
  const sigset_t ends = sonavel_bench::block_ending_signals();

  pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
  pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Floor");
  pa_context_set_state_callback(context, signal_loop, loop);
  pa_threaded_mainloop_lock(loop);
  pa_threaded_mainloop_start(loop);
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return 1;
  while (pa_context_get_state(context) != PA_CONTEXT_READY) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) return 1;
    pa_threaded_mainloop_wait(loop);
  }
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, 44100, 1};
  pa_stream* stream = pa_stream_new(context, "Floor", &spec, nullptr);
  pa_stream_set_write_callback(stream, on_write, nullptr);
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.tlength = 4096 * sizeof(float);
  attr.prebuf = static_cast<std::uint32_t>(-1);
  attr.minreq = 256 * sizeof(float);
  attr.fragsize = static_cast<std::uint32_t>(-1);
  if (pa_stream_connect_playback(stream, nullptr, &attr, PA_STREAM_EARLY_REQUESTS, nullptr,
                                 nullptr) < 0) {
    return 1;
  }
  pa_threaded_mainloop_unlock(loop);
  sonavel_bench::play_until_ended(asked, ends);
  pa_threaded_mainloop_stop(loop);
  pa_stream_unref(stream);
  pa_context_unref(context);
  pa_threaded_mainloop_free(loop);
  return 0;
}
