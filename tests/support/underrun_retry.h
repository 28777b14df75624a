// The bounded retry of a run that the sound path spoiled: a burst that came
// back with a run of silence inside (the server's underrun) is played again;
// a wrong sample never is. Used as
//   for (UnderrunRetry retry(soundPathRetry); retry.next();) {
//     ... BurstMatch m = ...;
//     if (retry.again(m)) continue;
//     EXPECT_EQ(m.result, MatchResult::Exact); break;
//   }
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "support/burst_matcher.h"

namespace sonavel_test {

// How often a run is tried: at least `attempts` times, and beyond them while
// the first attempt began less than `patience` ago. A machine can hold its
// processors back through spells, and a sound server's graph then loses a
// cycle whatever a client does; a stream that cannot keep up gaps every
// attempt, so it still fails once the patience has run out.
struct RetryPolicy {
  int attempts;
  std::chrono::seconds patience;
};
// The one policy of the sound tests.
inline constexpr RetryPolicy soundPathRetry{3, std::chrono::seconds(90)};

class UnderrunRetry {
 public:
  explicit UnderrunRetry(RetryPolicy policy)
      : attempts_(policy.attempts), until_(std::chrono::steady_clock::now() + policy.patience) {}

  // Begins the next attempt; false once no attempt is left.
  bool next() { return attempt_++ == 0 || retrying_; }
  int attempt() const { return attempt_; }  // 1 for the first
  // True when the attempt met an underrun (why says where) and the policy
  // allows another; says so in the output.
  bool again(bool underrun, const std::string& why) {
    retrying_ = underrun && (attempt_ < attempts_ || std::chrono::steady_clock::now() < until_);
    if (retrying_)
      std::printf("underrun in attempt %d (%s); trying again\n", attempt_, why.c_str());
    return retrying_;
  }
  bool again(const BurstMatch& m) { return again(m.result == MatchResult::Underrun, m.detail); }

 private:
  int attempts_;
  std::chrono::steady_clock::time_point until_;
  int attempt_ = 0;
  bool retrying_ = false;
};

}  // namespace sonavel_test
