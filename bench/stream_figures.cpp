// Plays bursts back to back through sonavel's device output on the current
// sound server for a given time and prints the stream's latency (median and
// largest of one reading every 100 ms) and the underruns the server reported.
// Usage: stream_figures SECONDS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/device_format_output.h"
#include "engine/bands.h"

int main(int argc, char** argv) {
  using namespace sonavel;
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  ToneStateHolder tone = SharedToneState::create();
  DeviceFormatOutput output(tone);
  if (!output.open_and_start()) {
    std::fprintf(stderr, "Failed to start audio: %s\n", output.error().c_str());
    return 1;
  }
  std::vector<long> latencies;
  const auto begin = std::chrono::steady_clock::now();
  auto next_burst = begin;
  int bursts = 0;
  while (std::chrono::steady_clock::now() - begin < std::chrono::duration<double>(seconds)) {
    if (std::chrono::steady_clock::now() >= next_burst) {
      start_burst(*tone, bands[bursts % bands.size()], 20);
      ++bursts;
      next_burst += std::chrono::milliseconds(3000);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const long usec = output.latency_usec();
    if (usec >= 0) latencies.push_back(usec);
  }
  std::sort(latencies.begin(), latencies.end());
  const long median = latencies.empty() ? -1 : latencies[latencies.size() / 2];
  const long largest = latencies.empty() ? -1 : latencies.back();
  const unsigned underruns = output.underruns();
  std::printf(
      "seconds %.0f bursts %d latency_median_ms %.1f latency_max_ms %.1f underruns %u "
      "underruns_per_minute %.2f\n",
      seconds, bursts, median / 1000.0, largest / 1000.0, underruns, underruns * 60.0 / seconds);
  return 0;
}
