// The observable differences between sonavel_pa and sonavel in the shared
// window, view and handlers, each as one named choice. Everything else about
// the window is the same in both programs.
#pragma once

namespace sonavel {

enum class SliderRounding { TowardZero, HalfAwayFromZero };
enum class VisibleCountRule { Truncate, Round };
// Whether "recent output" means a plotted column above the threshold, or any
// entry of the whole ring.
enum class RecentOutputRule { PlottedColumns, WholeRing };

struct ProgramChoices {
  SliderRounding sliderRounding;
  VisibleCountRule visibleCount;
  RecentOutputRule recentOutput;
  bool applicationWindow;        // an application window (else a plain top-level)
  bool destroyEndsMainLoop;      // a "destroy" handler that removes the timer and quits
  bool setTimeWindowIncrements;  // step and page of 0.1 (else the toolkit's own)
  unsigned refreshIntervalMs;    // the refresh timer's period
  bool tickChecksVisibility;     // redraw only while the view is visible
};

inline constexpr ProgramChoices kSonavelPaChoices{SliderRounding::TowardZero,
                                                  VisibleCountRule::Truncate,
                                                  RecentOutputRule::PlottedColumns,
                                                  false,
                                                  true,
                                                  true,
                                                  33,
                                                  true};

inline constexpr ProgramChoices kSonavelChoices{SliderRounding::HalfAwayFromZero,
                                                VisibleCountRule::Round,
                                                RecentOutputRule::WholeRing,
                                                true,
                                                false,
                                                false,
                                                16,
                                                false};

// The slider's value as a whole number of dB.
int slider_db(double value, SliderRounding rounding);

}  // namespace sonavel
