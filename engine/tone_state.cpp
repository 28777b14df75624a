#include "engine/tone_state.h"

namespace sonavel {

ToneStateGuard::ToneStateGuard(SharedToneState& shared)
    : shared_(shared),
      lock_(shared.toneStateLock),
      exceptionsAtEntry_(std::uncaught_exceptions()) {}

ToneStateGuard::~ToneStateGuard() {
  // Runs before lock_ is released, so poisoned_ is still guarded here.
  if (std::uncaught_exceptions() > exceptionsAtEntry_) shared_.poisoned_ = true;
}

bool ToneStateGuard::usable() const noexcept {
  return !shared_.poisoned_;
}
ToneState& ToneStateGuard::state() noexcept {
  return shared_.state_;
}

void start_burst(SharedToneState& shared, std::int32_t frequency_hz, std::int32_t attenuation_db) {
  ToneStateGuard guard(shared);
  if (!guard.usable()) return;
  ToneState& s = guard.state();
  s.inputFreq = frequency_hz;
  s.attenuation = db_to_linear(-static_cast<double>(attenuation_db));
  s.phase = 0.0;
  s.waveformHistory.clear();
  s.samplesRemaining = totalSamples;
  s.callbackPaused = false;
}

float next_sample(ToneState& state) noexcept {
  WaveformHistory::Writer history(state.waveformHistory);
  return next_sample(state, history);
}

}  // namespace sonavel
