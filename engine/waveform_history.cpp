#include "engine/waveform_history.h"

#include <cmath>

namespace sonavel {

bool WaveformHistory::any_above(float threshold) const noexcept {
  for (const auto& slot : slots_) {
    if (std::fabs(slot.load(std::memory_order_relaxed)) > threshold) return true;
  }
  return false;
}

}  // namespace sonavel
