// Finds a burst in a recording and tells a wrong sample from an underrun.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sonavel_test {

enum class MatchResult { Exact, Underrun, WrongSample, NotFound };

struct BurstMatch {
  MatchResult result = MatchResult::NotFound;
  std::size_t start = 0;  // index of the burst's first sample (0.0) in the recording
  std::size_t where = 0;  // first difference, for Underrun and WrongSample
  std::string detail;
};

// Looks for expected (a whole burst, first sample 0.0) in recording, starting
// at the first non-zero sample at or after from. A run of zeros where the
// burst should sound is an underrun (the server inserted silence); any other
// difference is a wrong sample. After the burst, silent_after zeros must follow.
template <typename T>
BurstMatch match_burst(const std::vector<T>& recording, const std::vector<T>& expected,
                       std::size_t from = 0, std::size_t silent_after = 0);

}  // namespace sonavel_test

namespace sonavel_test {

template <typename T>
BurstMatch match_burst(const std::vector<T>& recording, const std::vector<T>& expected,
                       std::size_t from, std::size_t silent_after) {
  BurstMatch m;
  std::size_t first_loud = 0;
  while (first_loud < expected.size() && expected[first_loud] == T{}) ++first_loud;
  std::size_t i = from;
  while (i < recording.size() && recording[i] == T{}) ++i;
  if (i == recording.size() || i < first_loud) {
    m.detail = "no burst in the recording";
    return m;
  }
  m.start = i - first_loud;
  for (std::size_t j = 0; j < expected.size(); ++j) {
    const std::size_t r = m.start + j;
    if (r >= recording.size()) {
      m.detail = "the recording ends inside the burst";
      return m;
    }
    if (recording[r] != expected[j]) {
      m.where = r;
      m.result = recording[r] == T{} ? MatchResult::Underrun : MatchResult::WrongSample;
      m.detail = "burst sample " + std::to_string(j) + ": recorded " +
                 std::to_string(static_cast<double>(recording[r])) + ", expected " +
                 std::to_string(static_cast<double>(expected[j]));
      return m;
    }
  }
  const std::size_t end = m.start + expected.size();
  for (std::size_t r = end; r < end + silent_after; ++r) {
    if (r >= recording.size()) {
      m.detail = "the recording ends before the silence after the burst";
      return m;
    }
    if (recording[r] != T{}) {
      m.where = r;
      m.result = MatchResult::WrongSample;
      m.detail = "not silent " + std::to_string(r - end) + " samples after the burst";
      return m;
    }
  }
  m.result = MatchResult::Exact;
  return m;
}

}  // namespace sonavel_test
