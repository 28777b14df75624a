// Where sonavel's stream plays: the ear chosen in the window, or a
// headphones check's side while it runs. A move closes the stream, with
// nothing sounding, and has the output watch open one at the new side.
// Main thread only, but for wanted, which the watch's attempt reads.
#pragma once

#include <gtk/gtk.h>

#include <atomic>
#include <memory>

#include "app/output_watch.h"
#include "engine/ear.h"
#include "engine/tone_state.h"

namespace sonavel {

struct StreamSide {
  std::shared_ptr<OutputSlot> slot;
  std::atomic<Ear> wanted{Ear::Both};
  Ear chosen = Ear::Both;

  // Nothing sounds, the stream closes, and the watch opens one at ear.
  void move_to(Ear ear, SharedToneState& tone);
};

// What a choice of ear needs to change the stream's side.
struct EarStreamContext {
  Ear ear;
  std::shared_ptr<StreamSide> side;
  ToneStateHolder tone;
};

// A choice of ear becoming active: the stream moves to that side, where a
// band changed meanwhile plays once it is open.
void on_ear_for_stream(GtkToggleButton* button, gpointer data);

}  // namespace sonavel
