// Owners of the audio libraries' resources, PulseAudio's and PortAudio's;
// cairo's and GLib's are in engine/cairo_owners.h and engine/glib_owners.h.
#pragma once

#include <portaudio.h>
#include <pulse/pulseaudio.h>

#include <memory>

#include "engine/call_release.h"

namespace sonavel {

// The threaded main loop is stopped (which joins its thread) before it is
// freed; stopping a loop that never started does nothing.
struct StopAndFreeMainloop {
  void operator()(pa_threaded_mainloop* loop) const noexcept {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
  }
};
using PulseMainloop = std::unique_ptr<pa_threaded_mainloop, StopAndFreeMainloop>;
using PulseContext = std::unique_ptr<pa_context, CallRelease<pa_context_unref>>;
using PulseStream = std::unique_ptr<pa_stream, CallRelease<pa_stream_unref>>;

// An open PortAudio stream, closed (not stopped) when released: stop it first
// where the last buffers should play out.
using PortAudioStream = std::unique_ptr<PaStream, CallRelease<Pa_CloseStream>>;

// PortAudio initialised for as long as this lives: Pa_Terminate runs on
// destruction if Pa_Initialize succeeded, and not otherwise.
class PortAudioLibrary {
 public:
  PortAudioLibrary() noexcept : error_(Pa_Initialize()) {}
  ~PortAudioLibrary() {
    if (error_ == paNoError) Pa_Terminate();
  }
  PortAudioLibrary(const PortAudioLibrary&) = delete;
  PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

  PaError error() const noexcept { return error_; }

 private:
  PaError error_;
};

}  // namespace sonavel
