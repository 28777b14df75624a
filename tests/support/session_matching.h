// Checking a program session's recording against the bursts its title
// announced.
#pragma once

#include <vector>

#include "support/burst_matcher.h"
#include "support/program_session.h"
#include "support/reference_burst.h"
#include "support/underrun_retry.h"

namespace sonavel_test {

// The recording from `from` on against one burst per change, in order.
inline BurstMatch match_changes(const std::vector<float>& rec, const std::vector<Change>& changes,
                                std::size_t from) {
  std::vector<std::vector<float>> bursts;
  for (const Change& c : changes) bursts.push_back(reference_burst(c.hz, c.db));
  return match_sequence(rec, bursts, from, burstEndingSilence);
}

}  // namespace sonavel_test
