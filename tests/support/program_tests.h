// What the tests of a running program share: a folder for each test's
// evidence, and the recording checked against the bursts the title announced.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/burst_matcher.h"
#include "support/program_session.h"
#include "support/reference_burst.h"
#include "support/underrun_retry.h"

namespace sonavel_test {

// Where the test running now keeps its evidence: a folder named after it.
inline std::string this_tests_evidence() {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(name.begin(), name.end(), '/', '_');
  return std::string(E2E_EVIDENCE_DIR) + "/" + name;
}

// The recording from `from` on against one burst per change, in order.
inline BurstMatch match_changes(const std::vector<float>& rec, const std::vector<Change>& changes,
                                std::size_t from) {
  std::vector<std::vector<float>> bursts;
  for (const Change& c : changes) bursts.push_back(reference_burst(c.hz, c.db));
  return match_bursts(rec, bursts, from, burstEndingSilence);
}

}  // namespace sonavel_test
