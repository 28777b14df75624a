// What one draw of the waveform view shows: the values for the captions and
// the visible stretch of history, taken from the tone state in one go.
#pragma once

#include <array>
#include <cstdint>

#include "engine/waveform_history.h"

namespace sonavel {

// A sample counts as recent output when its magnitude is above this.
inline constexpr double recentOutputThreshold = 1e-9;

// How 44100 x the time window becomes a whole number of samples.
enum class VisibleCountRule { Truncate, Round };
// Whether "recent output" means a plotted column above the threshold, or any
// entry of the whole ring.
enum class RecentOutputRule { PlottedColumns, WholeRing };

// How many history samples a time window shows: 2 to the ring's length.
std::uint32_t visible_sample_count(double seconds, VisibleCountRule rule);

// The whole-ring rule: any entry of the ring above the threshold.
bool ring_has_recent_output(const WaveformHistory& ring) noexcept;

using WaveformCopy = std::array<float, historyLength>;

struct WaveformFrame {
  int freq = 0;
  double rawAmp = 0.0;           // 0.999999 x the amplitude factor
  double seconds_visible = 0.0;  // the time window
  std::uint32_t visible_samples = 2;
  RecentOutputRule recentRule = RecentOutputRule::PlottedColumns;
  bool ringHasRecentOutput = false;  // WholeRing only
  // What the output's state makes the view say instead of a trace (nothing
  // can sound, or the last tone was cut short); nullptr when all is well.
  const char* notice = nullptr;

  // The trace's samples: read live from a ring at a write position taken
  // once, or from a copy made under the tone-state lock (oldest first).
  const WaveformHistory* ring = nullptr;
  std::uint64_t write_pos_snapshot = 0;
  const float* copy = nullptr;

  // The visible sample at offset (0 = oldest, visible_samples - 1 = newest).
  float sample(std::uint32_t offset) const {
    return copy ? copy[offset]
                : ring->entry(
                      WaveformHistory::newest_index(write_pos_snapshot, visible_samples, offset));
  }
};

}  // namespace sonavel
