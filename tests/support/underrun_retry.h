// The bounded retry of a run that the sound path spoiled: a burst that came
// back with a run of silence inside (the server's underrun) is played again;
// a wrong sample never is. Used as
//   for (UnderrunRetry retry(3); retry.next();) {
//     ... BurstMatch m = ...;
//     if (retry.again(m)) continue;
//     EXPECT_EQ(m.result, MatchResult::Exact); break;
//   }
// Beyond its count of attempts, a retry goes on while the first attempt began
// less than its patience ago: a machine can hold its processors back through
// spells, and a sound server's graph then loses a cycle whatever a client
// does. A stream that cannot keep up gaps every attempt, so it still fails,
// once the patience has run out.
#pragma once

#include <chrono>
#include <cstdio>

#include "support/burst_matcher.h"

namespace sonavel_test {

inline constexpr std::chrono::seconds underrunPatience{90};

class UnderrunRetry {
 public:
  explicit UnderrunRetry(int attempts, std::chrono::seconds patience = underrunPatience)
      : attempts_(attempts), until_(std::chrono::steady_clock::now() + patience) {}
  ~UnderrunRetry() { std::printf("underrun retries: %d\n", underruns_); }
  UnderrunRetry(const UnderrunRetry&) = delete;
  UnderrunRetry& operator=(const UnderrunRetry&) = delete;

  // Begins the next attempt; false once no attempt is left.
  bool next() { return attempt_++ == 0 || retrying_; }
  int attempt() const { return attempt_; }  // 1 for the first
  // True when m is an underrun and an attempt is left; says so in the output.
  bool again(const BurstMatch& m) {
    retrying_ = m.result == MatchResult::Underrun &&
                (attempt_ < attempts_ || std::chrono::steady_clock::now() < until_);
    if (!retrying_) return false;
    ++underruns_;
    std::printf("underrun in attempt %d (%s); trying again\n", attempt_, m.detail.c_str());
    return true;
  }

 private:
  int attempts_;
  std::chrono::steady_clock::time_point until_;
  int attempt_ = 0;
  int underruns_ = 0;
  bool retrying_ = false;
};

}  // namespace sonavel_test
