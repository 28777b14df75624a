// Keeps a window telling the truth about its output. Four times a second it
// asks the output whether anything can sound and whether a restart cut a
// burst short, and has the view say so where the person looks. sonavel's
// output can also be replaced: while its sound server is gone, a new
// connection is tried on a thread of its own, one attempt at a time, and the
// first that works takes the lost one's place, so that the next band change
// plays again in the same window. Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>

#include "audio/output_stream.h"
#include "monitor/tone_link.h"

namespace sonavel {

// What the view says while nothing can sound, and after a cut.
inline constexpr const char* serverUnreachableNotice =
    "No sound output: the sound server is not reachable";
inline constexpr const char* outputStalledNotice =
    "No sound output: the sound output could not be restarted";
inline constexpr const char* burstCutNotice =
    "The last tone was cut short: the sound output stalled and was restarted";

// The output the window plays through, shared by what reaches it (the burst
// start, the refresh timer, the watch) so that a new connection replaces it
// for all of them.
struct OutputSlot {
  std::shared_ptr<OutputStream> output;
  // Asked for by a change of what the output must be (sonavel's ear): the
  // watch makes a new one, as after a loss.
  bool renew = false;
};

// Makes and opens a new output, or returns nullptr when it could not; runs
// on a thread of its own. after_loss: the server had gone away (else the
// output is renewed on request).
using Reconnect = std::function<std::shared_ptr<OutputStream>(bool after_loss)>;

// Watches slot's output for the window of waveform_area, until the area is
// destroyed. reconnect: how to replace an output whose server went away;
// empty when the output restarts itself (sonavel_pa).
void watch_output(GtkWidget* waveform_area, std::shared_ptr<ToneLink> link,
                  std::shared_ptr<OutputSlot> slot, Reconnect reconnect = {});

// Removes the timer source when widget is destroyed, before what the
// window's output is shut down.
void remove_with(GtkWidget* widget, guint source);

// The watch's timer: takes up a finished attempt, starts one when needed,
// and sets the view's notice.
gboolean on_output_watch_tick(gpointer data);

}  // namespace sonavel
