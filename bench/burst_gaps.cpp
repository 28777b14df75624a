// Counts the bursts in a raw recording (float32le, mono) and the gaps inside
// them: runs of two or more exact zeros where a burst sounds, which is what
// an underrun leaves (a burst's own samples are exactly zero only at its
// first). A burst ends at a tenth of a second of silence.
// Usage: burst_gaps RECORDING.f32. Prints "bursts N gaps G".
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: burst_gaps RECORDING.f32\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<char> raw((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
  std::vector<float> x(raw.size() / sizeof(float));
  std::copy_n(raw.data(), x.size() * sizeof(float), reinterpret_cast<char*>(x.data()));
  int bursts = 0, gaps = 0;
  std::size_t i = 0;
  while (i < x.size()) {
    if (x[i] == 0.0f) {
      ++i;
      continue;
    }
    ++bursts;
    std::size_t zeros = 0;
    for (; i < x.size() && zeros < 4410; ++i) {
      if (x[i] != 0.0f) {
        gaps += zeros >= 2;
        zeros = 0;
      } else {
        ++zeros;
      }
    }
  }
  std::printf("bursts %d gaps %d\n", bursts, gaps);
  return 0;
}
