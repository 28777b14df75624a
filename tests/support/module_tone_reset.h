// sonavel_pa's tone state is module-level, as in the program, so every case
// in one test process shares it. Each fixture that touches it starts with
// this reset, and the cases then hold in any order.
#pragma once

#include <vector>

#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel_test {

// Plays out whatever burst an earlier case left, empties the ring with its
// write position at the start, and puts the captions' frequency and factor, the time
// window and the timer id back to their values at start-up. Main thread,
// with no audio thread running.
inline void reset_module_tone() {
  std::vector<float> rest(sonavel::totalSamples + sonavel::historyLength);
  sonavel::render_tone(rest.data(), static_cast<unsigned long>(rest.size()));
  sonavel::waveformHistory.clear_waveform_history();
  sonavel::inputFreq = sonavel::initialFrequency;
  sonavel::attenuation = 1.0;
  sonavel::waveformTimeWindowSec = 0.5;
  sonavel::waveformTimerId = 0;
}

}  // namespace sonavel_test
