// Counts the bursts in a raw recording (float32le, mono) and the dropouts
// inside them, by the harness's one rule (count_dropouts: a run of three or
// more exact zeros where a burst sounds, which no tone of the program has).
// A burst ends at the harness's burstEndingSilence.
// Usage: burst_gaps RECORDING.f32. Prints "bursts N gaps G".
#include <cstdio>
#include <vector>

#include "support/burst_matcher.h"
#include "support/recording.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: burst_gaps RECORDING.f32\n");
    return 2;
  }
  const std::vector<float> x = sonavel_test::read_recording(argv[1]);
  std::size_t bursts = 0, gaps = 0, i = 0;
  while (i < x.size()) {
    if (x[i] == 0.0f) {
      ++i;
      continue;
    }
    ++bursts;
    const std::size_t begin = i;
    std::size_t zeros = 0;
    for (; i < x.size() && zeros < sonavel_test::burstEndingSilence; ++i)
      zeros = x[i] == 0.0f ? zeros + 1 : 0;
    gaps += sonavel_test::count_dropouts(x, begin, i);
  }
  std::printf("bursts %zu gaps %zu\n", bursts, gaps);
  return 0;
}
