// One owner per C resource: unique_ptr aliases with the library's own release
// call, for everything the programs and their tests take from GLib, cairo,
// PulseAudio and PortAudio. Whoever holds the owner releases the resource,
// on every path out of a scope.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <portaudio.h>
#include <pulse/pulseaudio.h>

#include <memory>

namespace sonavel {

// A deleter that calls one C release function.
template <auto Release>
struct CallRelease {
  template <typename T>
  void operator()(T* resource) const noexcept {
    Release(resource);
  }
};

// A GObject reference. ref() takes a new reference to an object that another
// owner keeps; adopt() takes over a reference the caller was given (from a
// constructor such as gtk_application_new).
template <typename T>
using GObjectRef = std::unique_ptr<T, CallRelease<g_object_unref>>;

template <typename T>
GObjectRef<T> ref(T* object) noexcept {
  return GObjectRef<T>(static_cast<T*>(g_object_ref(object)));
}
template <typename T>
GObjectRef<T> adopt(T* object) noexcept {
  return GObjectRef<T>(object);
}

using CairoContext = std::unique_ptr<cairo_t, CallRelease<cairo_destroy>>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CallRelease<cairo_surface_destroy>>;

// The threaded main loop is stopped (which joins its thread) before it is
// freed; stopping a loop that never started does nothing.
struct StopAndFreeMainloop {
  void operator()(pa_threaded_mainloop* loop) const noexcept {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
  }
};
using PulseMainloop = std::unique_ptr<pa_threaded_mainloop, StopAndFreeMainloop>;
// A plain main loop, run on the thread that owns it.
using PulsePlainMainloop = std::unique_ptr<pa_mainloop, CallRelease<pa_mainloop_free>>;
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
