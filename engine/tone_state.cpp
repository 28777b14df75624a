#include "engine/tone_state.h"

namespace sonavel {

void start_burst(SharedToneState& shared, std::int32_t frequency_hz,
                 std::int32_t attenuation_db) noexcept {
  ToneStateGuard guard(shared);
  ToneState& s = guard.state();
  s.burst.inputFreq = frequency_hz;
  s.burst.attenuation = db_to_linear(-static_cast<double>(attenuation_db));
  s.burst.phase = 0.0;
  s.waveformHistory.clear_waveform_history();
  s.burst.samplesRemaining = totalSamples;
  s.burst.callbackPaused = false;
}

void end_burst(SharedToneState& shared) noexcept {
  ToneStateGuard guard(shared);
  ToneState& s = guard.state();
  s.burst.callbackPaused = true;
  s.burst.samplesRemaining = 0;
  s.waveformHistory.clear_waveform_history();
}

bool burst_waiting(SharedToneState& shared) noexcept {
  ToneStateGuard guard(shared);
  const ToneState& s = guard.state();
  return !s.burst.callbackPaused && s.burst.samplesRemaining == totalSamples;
}

}  // namespace sonavel
