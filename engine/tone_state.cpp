#include "engine/tone_state.h"

namespace sonavel {

void start_burst(SharedToneState& shared, std::int32_t frequency_hz,
                 std::int32_t attenuation_db) noexcept {
  ToneStateGuard guard(shared);
  ToneState& s = guard.state();
  s.inputFreq = frequency_hz;
  s.attenuation = db_to_linear(-static_cast<double>(attenuation_db));
  s.phase = 0.0;
  s.waveformHistory.clear_waveform_history();
  s.samplesRemaining = totalSamples;
  s.callbackPaused = false;
}

void end_burst(SharedToneState& shared) noexcept {
  ToneStateGuard guard(shared);
  ToneState& s = guard.state();
  s.callbackPaused = true;
  s.samplesRemaining = 0;
  s.waveformHistory.clear_waveform_history();
}

bool burst_waiting(SharedToneState& shared) noexcept {
  ToneStateGuard guard(shared);
  const ToneState& s = guard.state();
  return !s.callbackPaused && s.samplesRemaining == totalSamples;
}

}  // namespace sonavel
