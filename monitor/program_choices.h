// The observable differences between sonavel_pa and sonavel in the shared
// window, view and handlers, each as one named choice. Everything else about
// the window is the same in both programs.
#pragma once

#include "engine/slider_rounding.h"
#include "monitor/waveform_frame.h"

namespace sonavel {

struct ProgramChoices {
  SliderRounding sliderRounding;
  VisibleCountRule visibleCount;
  RecentOutputRule recentOutput;
  bool applicationWindow;        // an application window (else a plain top-level)
  bool destroyEndsMainLoop;      // a "destroy" handler that removes the timer and quits
  bool setTimeWindowIncrements;  // step and page of 0.1 (else the toolkit's own)
  unsigned refreshIntervalMs;    // the refresh timer's period
  bool tickChecksVisibility;     // redraw only while the view is visible
  const char* programName;       // as the saved audiogram names it
  bool earChoice;                // a choice of ear, whose stream can take a side
};

inline constexpr ProgramChoices sonavelPaChoices{
    .sliderRounding = SliderRounding::TowardZero,
    .visibleCount = VisibleCountRule::Truncate,
    .recentOutput = RecentOutputRule::PlottedColumns,
    .applicationWindow = false,
    .destroyEndsMainLoop = true,
    .setTimeWindowIncrements = true,
    .refreshIntervalMs = 33,
    .tickChecksVisibility = true,
    .programName = "sonavel_pa",
    .earChoice = false,
};

inline constexpr ProgramChoices sonavelChoices{
    .sliderRounding = SliderRounding::HalfAwayFromZero,
    .visibleCount = VisibleCountRule::Round,
    .recentOutput = RecentOutputRule::WholeRing,
    .applicationWindow = true,
    .destroyEndsMainLoop = false,
    .setTimeWindowIncrements = false,
    .refreshIntervalMs = 16,
    .tickChecksVisibility = false,
    .programName = "sonavel",
    .earChoice = true,
};

}  // namespace sonavel
