// Checking a program session's recording against the bursts its title
// announced, and the bounded retry of a run that the sound path spoiled.
#pragma once

#include <cstdio>
#include <vector>

#include "reference_burst.h"
#include "support/burst_matcher.h"
#include "support/program_session.h"

namespace sonavel_test {

// The recording from `from` on against one burst per change, in order.
inline BurstMatch match_changes(const std::vector<float>& rec, const std::vector<Change>& changes,
                                std::size_t from) {
  std::vector<std::vector<float>> bursts;
  for (const Change& c : changes) bursts.push_back(reference_burst(c.hz, c.db));
  return match_sequence(rec, bursts, from, 4410);
}

// True when the attempt should be made again: an underrun with attempts
// left. Counts underruns and says so in the test's output; a wrong sample is
// never retried.
inline bool retry_after_underrun(const BurstMatch& m, int attempt, int attempts, int& underruns) {
  if (m.result == MatchResult::Underrun && attempt < attempts) {
    ++underruns;
    std::printf("underrun (%s); trying again\n", m.detail.c_str());
    return true;
  }
  std::printf("underrun retries: %d\n", underruns);
  return false;
}

}  // namespace sonavel_test
