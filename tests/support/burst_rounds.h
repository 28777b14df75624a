// Rounds of bursts that the tests decide on and the soak measures: a running
// program's bursts beside a busy loop, and a fresh start's first burst. Each
// burst is a real Page Down or Page Up on the first band (25 Hz, from 40 dB
// to 30 dB and back), measured at the sink as 25 Hz at its level for 3 s
// (through PipeWire's resampler too).
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "support/burst_matcher.h"
#include "support/program_session.h"

namespace sonavel_test {

// The level of burst i of a round.
inline int round_level(int i) {
  return i % 2 == 0 ? 30 : 40;
}

// Plays `bursts` bursts 3.6 s apart while a busy loop at a lower priority
// keeps a core, and measures each; between(i) runs after burst i (the soak
// plays a reference client's burst there). s has started.
inline std::vector<BurstMatch> bursts_beside_a_busy_loop(
    ProgramSession& s, int bursts, const std::function<void(int)>& between = {}) {
  sleep_ms(1500);  // past the stream's first second, which a fresh start's round covers
  Subprocess busy({"nice", "-n", "10", "sh", "-c", "while :; do :; done"});
  std::vector<std::size_t> from;
  for (int i = 0; i < bursts; ++i) {
    from.push_back(s.recorded_samples());
    s.key(i % 2 == 0 ? "Page_Down" : "Page_Up");
    sleep_ms(3600);
    if (between) between(i);
  }
  sleep_ms(500);
  busy.stop();
  const std::vector<float> rec = s.recording();
  std::vector<BurstMatch> matches;
  for (int i = 0; i < bursts; ++i) {
    matches.push_back(match_measured(rec, from[i], 25, round_level(i)));
    std::printf("burst %d: %s\n", i + 1, matches.back().detail.c_str());
  }
  return matches;
}

// A freshly started program's first burst. Nothing else runs while it plays:
// another program starting then (a screenshot's helper) takes the processors
// a stream's first second needs, and the burst would measure that instead.
inline BurstMatch first_burst(ProgramSession& s) {
  const std::size_t from = s.recorded_samples();
  s.key("Page_Down");
  sleep_ms(3600);
  BurstMatch m = match_measured(s.recording(), from, 25, round_level(0));
  std::printf("first burst: %s\n", m.detail.c_str());
  return m;
}

}  // namespace sonavel_test
