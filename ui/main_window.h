// The program's single main window: a sideways-scrolling strip of 33 band
// columns (label over vertical slider) above a framed waveform row holding
// the view and the time-window slider. Construction connects every handler,
// Save Levels included; each connection owns what its handler needs. The
// window is not shown here.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <memory>

#include "engine/bands.h"
#include "monitor/program_choices.h"
#include "report/band_levels.h"

namespace sonavel {

class ToneLink;

inline constexpr int initialAttenuationDb = 40;
inline constexpr double initialTimeWindowSec = 0.5;
inline constexpr const char* creditTitle = "Sonavel by the Sonavel developers";

// Handles to the widgets the handlers and the shell use. They do not own
// their widgets, which live until the window is destroyed.
struct MainWindow {
  GtkWidget* window = nullptr;
  std::array<GtkWidget*, bandCount> labels{};
  std::array<GtkWidget*, bandCount> sliders{};
  GtkWidget* waveform_area = nullptr;
  GtkWidget* time_window_slider = nullptr;
  // The ear choice (Both, Left, Right) and the reason shown when the sides
  // are unavailable; null where the program has no ear choice.
  std::array<GtkWidget*, 3> ear_buttons{};
  GtkWidget* ear_reason = nullptr;
  GtkWidget* ear_row = nullptr;  // where the program adds what plays at a side
  GtkWidget* headphones_button = nullptr;
  // The line that says the output changed during the check; null where the
  // program does not know its output.
  GtkWidget* output_warning = nullptr;
  // The check's levels, shared with the handlers that set and save them.
  std::shared_ptr<CheckLevels> check;
};

// app: the application for an application window, or null for a plain
// top-level window (as choices say). Main thread only.
MainWindow build_main_window(GtkApplication* app, const ProgramChoices& choices,
                             std::shared_ptr<ToneLink> tone);

}  // namespace sonavel
