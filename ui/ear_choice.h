// sonavel's ear choice: Both ears (the default), Left ear or Right ear, as
// three buttons of which one is pressed (radio buttons to a screen reader)
// under the waveform row, and Ctrl+B, Ctrl+L and Ctrl+R
// anywhere in the window. Each ear keeps its own levels: choosing one moves
// the band sliders to that ear's levels without playing a tone, and the
// window title names the ear when it is not both. The stream's side is the
// program's to change, on the buttons' "toggled". Main thread only.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <memory>
#include <string>

#include "report/band_levels.h"

namespace sonavel {

struct MainWindow;

// The levels of the check and what the window shows of them; shared by the
// band sliders' handlers, the ear choice and Save Levels.
struct EarChoice {
  CheckLevels levels;
  bool showingEar = false;  // sliders moving to an ear's levels: nothing plays
  int titledBand = -1;      // the band the title names, -1 before any
};

// "Sonavel - 1000 Hz @ -30 dB", and " - left ear" or " - right ear" after it
// for one side.
std::string band_title(int hz, int db, Ear ear);

// Builds the row into box and connects the buttons and the shortcuts; the
// buttons and the reason label go into w.
void add_ear_choice(GtkWidget* box, MainWindow& w, std::shared_ptr<EarChoice> choice);
// Offers the side choices, or makes them unavailable with the reason shown
// beside them ("The output device has one channel").
void offer_sides(const MainWindow& w, bool available);

// A button pressed chooses its ear and releases the others; the chosen one
// cannot be released on its own.
void on_ear_button_toggled(GtkToggleButton* button, gpointer data);

}  // namespace sonavel
