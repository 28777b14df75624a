#include "monitor/waveform_frame.h"

#include <cmath>

namespace sonavel {

std::uint32_t visible_sample_count(double seconds, VisibleCountRule rule) {
  double count = 44100.0 * seconds;
  count = rule == VisibleCountRule::Truncate ? std::trunc(count) : std::round(count);
  if (count < 2.0) return 2;
  if (count > static_cast<double>(historyLength)) return historyLength;
  return static_cast<std::uint32_t>(count);
}

bool ring_has_recent_output(const WaveformHistory& ring) noexcept {
  return ring.any_above(static_cast<float>(recentOutputThreshold));
}

}  // namespace sonavel
