// The bounded retry of a run that the sound path spoiled: a burst that came
// back with a run of silence inside (the server's underrun) is played again,
// a few times at most; a wrong sample never is. Used as
//   for (UnderrunRetry retry(3); retry.next();) {
//     ... BurstMatch m = ...;
//     if (retry.again(m)) continue;
//     EXPECT_EQ(m.result, MatchResult::Exact); break;
//   }
#pragma once

#include <cstdio>

#include "support/burst_matcher.h"

namespace sonavel_test {

class UnderrunRetry {
 public:
  explicit UnderrunRetry(int attempts) : attempts_(attempts) {}
  ~UnderrunRetry() { std::printf("underrun retries: %d\n", underruns_); }
  UnderrunRetry(const UnderrunRetry&) = delete;
  UnderrunRetry& operator=(const UnderrunRetry&) = delete;

  // Begins the next attempt; false once all have been made.
  bool next() { return attempt_++ < attempts_; }
  int attempt() const { return attempt_; }  // 1 for the first
  // True when m is an underrun and an attempt is left; says so in the output.
  bool again(const BurstMatch& m) {
    if (m.result != MatchResult::Underrun || attempt_ >= attempts_) return false;
    ++underruns_;
    std::printf("underrun in attempt %d (%s); trying again\n", attempt_, m.detail.c_str());
    return true;
  }

 private:
  int attempts_;
  int attempt_ = 0;
  int underruns_ = 0;
};

}  // namespace sonavel_test
