// Measures a burst the way a listener's instruments would: its frequency from
// the upward zero crossings, its peak level, its length, and its fade times
// from the burst's edge to where the cycle-by-cycle envelope comes within
// 0.1 dB of the peak.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "support/recording.h"

namespace sonavel_test {

struct BurstFigures {
  std::size_t begin = 0;   // index of the first non-zero sample
  std::size_t length = 0;  // from the first to the last non-zero sample
  double hz = 0.0;
  double peakDbfs = 0.0;
  double fadeInSec = 0.0, fadeOutSec = 0.0;
};

// The first burst in samples: it ends at the first burstEndingSilence. Nothing when there is no
// whole burst with a few cycles in it.
inline std::optional<BurstFigures> measure_burst(const std::vector<float>& x,
                                                 std::string* why = nullptr) {
  constexpr int rate = 44100;
  auto fail = [&](const char* reason) {
    if (why != nullptr) *why = reason;
    return std::nullopt;
  };
  const auto first = std::find_if(x.begin(), x.end(), [](float s) { return s != 0.0f; });
  if (first == x.end()) return fail("the recording is silent");
  BurstFigures f;
  f.begin = static_cast<std::size_t>(first - x.begin());
  std::size_t end = f.begin, zeros = 0;
  for (std::size_t i = f.begin; i < x.size() && zeros < burstEndingSilence; ++i) {
    zeros = x[i] != 0.0f ? 0 : zeros + 1;
    if (x[i] != 0.0f) end = i + 1;
  }
  if (zeros < burstEndingSilence) return fail("the recording ends inside the burst");
  const std::vector<float> b(x.begin() + f.begin, x.begin() + end);
  f.length = b.size();

  // Upward zero crossings of the middle half, placed between samples.
  double first_cross = -1.0, last_cross = -1.0;
  int crossings = 0;
  for (std::size_t i = b.size() / 4; i + 1 < b.size() * 3 / 4; ++i) {
    if (b[i] < 0.0f && b[i + 1] >= 0.0f) {
      const double t = i + b[i] / (static_cast<double>(b[i]) - b[i + 1]);
      if (first_cross < 0) first_cross = t;
      last_cross = t;
      ++crossings;
    }
  }
  if (crossings < 2) return fail("too few cycles to measure");
  f.hz = (crossings - 1) * rate / (last_cross - first_cross);

  float peak = 0.0f;
  for (float s : b) peak = std::max(peak, std::fabs(s));
  f.peakDbfs = 20 * std::log10(static_cast<double>(peak));
  // Envelope: the largest magnitude within half a period either side.
  const auto half = static_cast<std::size_t>(std::ceil(rate / f.hz / 2));
  const float near_peak = peak * static_cast<float>(std::pow(10.0, -0.1 / 20));
  auto envelope_reaches = [&](std::size_t i) {
    const std::size_t lo = i > half ? i - half : 0, hi = std::min(b.size(), i + half + 1);
    for (std::size_t j = lo; j < hi; ++j) {
      if (std::fabs(b[j]) >= near_peak) return true;
    }
    return false;
  };
  std::size_t rise = 0, fall = 0;
  while (rise < b.size() && !envelope_reaches(rise)) ++rise;
  while (fall < b.size() && !envelope_reaches(b.size() - 1 - fall)) ++fall;
  f.fadeInSec = static_cast<double>(rise) / rate;
  f.fadeOutSec = static_cast<double>(fall) / rate;
  return f;
}

}  // namespace sonavel_test
