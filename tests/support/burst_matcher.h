// Finds a burst in a recording and tells a wrong sample from an underrun.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "support/burst_measure.h"
#include "support/recording.h"

namespace sonavel_test {

enum class MatchResult { Exact, Underrun, WrongSample, NotFound };

struct BurstMatch {
  MatchResult result = MatchResult::NotFound;
  std::size_t start = 0;  // index of the (last) burst's first sample (0.0) in the recording
  std::string detail;
};

// Runs of 3 or more exact zeros between the first and the last non-zero
// sample of x[begin, end): silence the server put inside a sound. No tone of
// the program has three zeros in a row. first, when given, gets where the
// first run starts and how long it is.
struct Dropout {
  std::size_t at = 0, length = 0;
};
template <typename T>
std::size_t count_dropouts(const std::vector<T>& x, std::size_t begin, std::size_t end,
                           Dropout* first = nullptr) {
  while (begin < end && x[begin] == T{}) ++begin;
  while (end > begin && x[end - 1] == T{}) --end;
  std::size_t runs = 0, zeros = 0;
  for (std::size_t i = begin; i < end; ++i) {
    zeros = x[i] == T{} ? zeros + 1 : 0;
    if (zeros == 3 && ++runs == 1 && first != nullptr) first->at = i - 2;
    if (runs == 1 && zeros >= 3 && first != nullptr) first->length = zeros;
  }
  return runs;
}

// Whether the sound around position at (reaching out to the silence that
// ends a burst, either side) has a dropout in it: then a mismatch there is the
// server's doing, however the burst was lined up.
template <typename T>
bool sound_has_dropout(const std::vector<T>& x, std::size_t at) {
  auto edge = [&](std::size_t i, int dir) {
    std::size_t zeros = 0;
    while (zeros < burstEndingSilence && (dir < 0 ? i > 0 : i + 1 < x.size())) {
      i += dir;
      zeros = x[i] == T{} ? zeros + 1 : 0;
    }
    return i;
  };
  if (x.empty()) return false;
  at = std::min(at, x.size() - 1);
  return count_dropouts(x, edge(at, -1), edge(at, 1) + 1) > 0;
}

// The recording from `from` on must be: silence, then each burst of `bursts`
// in order from its first sample (0.0; where a burst's first samples are
// zeros in the sink's format, from its first loud one), every one but the
// last either cut off by the next, which begins at once with its own first
// sample, or played whole and followed by exact silence; the last one whole,
// then silent_after zeros. A run of zeros where the burst should sound is an
// underrun (the server inserted silence); any other difference is a wrong
// sample.
template <typename T>
BurstMatch match_bursts(const std::vector<T>& rec, const std::vector<std::vector<T>>& bursts,
                        std::size_t from = 0, std::size_t silent_after = 0) {
  BurstMatch m;
  std::size_t first_loud = 0;
  while (first_loud < bursts[0].size() && bursts[0][first_loud] == T{}) ++first_loud;
  std::size_t i = from;
  while (i < rec.size() && rec[i] == T{}) ++i;
  if (i == rec.size() || i < first_loud) {
    m.detail = "no burst in the recording";
    return m;
  }
  std::size_t& start = m.start;  // of the burst being matched: at the end, the last one's
  start = i - first_loud;
  for (std::size_t k = 0; k < bursts.size(); ++k) {
    const auto& b = bursts[k];
    const bool last = k + 1 == bursts.size();
    std::size_t j = 0;
    while (j < b.size() && start + j < rec.size() && rec[start + j] == b[j]) ++j;
    const std::size_t at = start + j;
    const std::string which = (bursts.size() > 1 ? "burst " + std::to_string(k + 1) + " of " +
                                                       std::to_string(bursts.size()) + ", "
                                                 : "") +
                              "sample " + std::to_string(j);
    if (last && j == b.size()) {
      for (std::size_t r = at; r < at + silent_after; ++r) {
        if (r >= rec.size()) {
          m.detail = "the recording ends before the silence after the burst";
          return m;
        }
        if (rec[r] != T{}) {
          m.result = MatchResult::WrongSample;
          m.detail = "not silent " + std::to_string(r - at) + " samples after the burst";
          return m;
        }
      }
      m.result = MatchResult::Exact;
      return m;
    }
    if (at >= rec.size()) {
      m.detail = which + ": the recording ends there";
      return m;
    }
    if (!last) {
      // Cut off: the next burst starts here. Ended: silence, then the next.
      std::size_t next = at;
      if (j == b.size()) {
        while (next < rec.size() && rec[next] == T{}) ++next;
        if (next == rec.size()) {
          m.detail = which + ": nothing after it";
          return m;
        }
        --next;
      }
      const auto& nb = bursts[k + 1];
      auto next_starts_at = [&](std::size_t n) {
        return n + 1 < rec.size() && rec[n] == nb[0] && rec[n + 1] == nb[1];
      };
      // The next burst's first sample is 0.0: a burst cut off just where its
      // own sine is exactly 0.0 matched that sample as its own, one too far.
      if (!next_starts_at(next) && next > start && next_starts_at(next - 1)) --next;
      if (next_starts_at(next)) {
        start = next;
        continue;
      }
    }
    m.result = rec[at] == T{} || sound_has_dropout(rec, at) ? MatchResult::Underrun
                                                            : MatchResult::WrongSample;
    // Every digit a float needs: a fade's samples are far below 1e-6.
    char values[80];
    std::snprintf(values, sizeof values, ": recorded %.9g, expected %.9g",
                  static_cast<double>(rec[at]), static_cast<double>(j < b.size() ? b[j] : T{}));
    m.detail = which + values + (last ? "" : " or the next burst's start");
    return m;
  }
  return m;
}

// One burst, expected, so.
template <typename T>
BurstMatch match_burst(const std::vector<T>& rec, const std::vector<T>& expected,
                       std::size_t from = 0, std::size_t silent_after = 0) {
  return match_bursts(rec, std::vector<std::vector<T>>{expected}, from, silent_after);
}

// The last burst in the recording, found from its end, must be expected whole.
inline BurstMatch match_last_burst(const std::vector<float>& rec,
                                   const std::vector<float>& expected) {
  auto sounding = [](const std::vector<float>& x) {  // up to the last non-zero sample
    std::size_t n = x.size();
    while (n > 0 && x[n - 1] == 0.0f) --n;
    return n;
  };
  const std::size_t last = sounding(rec), length = sounding(expected);
  if (last < length) return {.detail = "no burst in the recording"};
  return match_burst(rec, expected, last - length, 0);
}

// A burst that went through a resampler (PipeWire runs its graph at 48 kHz),
// so that no sample is the engine's own: measured instead, it must have the
// band's frequency within 0.01 Hz, the level's peak within 0.01 dB, 3 s
// within 200 samples, and no dropout. A dropout is an underrun.
inline BurstMatch match_measured(const std::vector<float>& rec, std::size_t from, int hz, int db) {
  BurstMatch m;
  const std::vector<float> tail(
      rec.begin() + static_cast<std::ptrdiff_t>(std::min(from, rec.size())), rec.end());
  const auto f = measure_burst(tail, &m.detail);
  if (!f) return m;
  m.start = from + f->begin;
  Dropout first;
  const std::size_t dropouts = count_dropouts(tail, f->begin, f->begin + f->length, &first);
  const double peak = 20 * std::log10(0.999999) - db;
  char text[200];
  std::snprintf(text, sizeof text,
                "%.4f Hz, peak %.4f dBFS (expected %.4f), %zu samples, %zu dropouts", f->hz,
                f->peakDbfs, peak, f->length, dropouts);
  m.detail = text;
  if (dropouts > 0) {
    std::snprintf(text, sizeof text, " (the first %.3f s into the burst, %zu samples)",
                  (first.at - f->begin) / 44100.0, first.length);
    m.detail += text;
    m.result = MatchResult::Underrun;
  } else if (std::fabs(f->hz - hz) > 0.01 || std::fabs(f->peakDbfs - peak) > 0.01 ||
             std::labs(static_cast<long>(f->length) - 132300) > 200) {
    m.result = MatchResult::WrongSample;
  } else {
    m.result = MatchResult::Exact;
  }
  return m;
}

}  // namespace sonavel_test
