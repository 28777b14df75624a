// What the sound server says of the output sonavel plays through, kept up to
// date on the window's own GLib main loop through a connection of its own,
// so that the audio thread never waits on it. The output is the sink of the
// program's stream, or the server's default sink while there is no stream;
// each change of a sink, a stream or the server's defaults is read again.
// Main thread only.
#pragma once

#include <pulse/glib-mainloop.h>
#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "audio/c_owners.h"
#include "engine/output_facts.h"

namespace sonavel {

using PulseGlibMainloop = std::unique_ptr<pa_glib_mainloop, CallRelease<pa_glib_mainloop_free>>;

class OutputObserver {
 public:
  // stream_index: the server's index of the program's stream now, or
  // PA_INVALID_INDEX while it has none.
  explicit OutputObserver(std::function<std::uint32_t()> stream_index);
  ~OutputObserver();
  OutputObserver(const OutputObserver&) = delete;
  OutputObserver& operator=(const OutputObserver&) = delete;

  // The output as last read; nothing before the first answer, or while the
  // server cannot be reached.
  const std::optional<OutputFacts>& facts() const { return facts_; }
  // Connects again, at most once a second, after the server went away.
  void keep_connected();

 private:
  void connect();
  void disconnect();
  void ask();
  void answered(const pa_sink_info* info);
  static void on_context_state(pa_context* c, void* self);
  static void on_event(pa_context* c, pa_subscription_event_type_t type, std::uint32_t index,
                       void* self);

  std::function<std::uint32_t()> streamIndex_;
  PulseGlibMainloop loop_;
  PulseContext context_;
  std::optional<OutputFacts> facts_;
  bool asking_ = false;    // a question is on its way
  bool askAgain_ = false;  // something changed while it was
  bool failed_ = false;    // the connection failed or was lost
  std::chrono::steady_clock::time_point lastConnect_{};
};

}  // namespace sonavel
