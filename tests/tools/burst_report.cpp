// Measures the first burst in a raw recording (float32le, mono, 44100 Hz) and
// writes it, with a little silence either side, as a 32-bit float WAV file.
// Prints the burst's frequency (from its upward zero crossings), its peak level
// in dBFS, its length and its fade-in and fade-out times (from the burst's edge
// to where the cycle-by-cycle envelope comes within 0.1 dB of the peak).
// Usage: burst_report RECORDING.f32 OUT.wav
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;

bool write_wav(const std::string& path, const float* samples, std::size_t count) {
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const auto bytes = static_cast<std::uint32_t>(count * sizeof(float));
  out.write("RIFF", 4);
  u32(4 + 26 + 12 + 8 + bytes);
  out.write("WAVE", 4);
  out.write("fmt ", 4);
  u32(18);
  u16(3);  // IEEE float
  u16(1);  // mono
  u32(kRate);
  u32(kRate * sizeof(float));
  u16(sizeof(float));
  u16(32);
  u16(0);
  out.write("fact", 4);  // required with a non-PCM format
  u32(4);
  u32(static_cast<std::uint32_t>(count));
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char*>(samples), bytes);
  return static_cast<bool>(out);
}

// Largest magnitude within half a period either side of each sample.
std::vector<float> envelope(const std::vector<float>& x, std::size_t half_period) {
  std::vector<float> env(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    const std::size_t lo = i > half_period ? i - half_period : 0;
    const std::size_t hi = std::min(x.size(), i + half_period + 1);
    float m = 0.0f;
    for (std::size_t j = lo; j < hi; ++j) m = std::max(m, std::fabs(x[j]));
    env[i] = m;
  }
  return env;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: burst_report RECORDING.f32 OUT.wav\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<float> rec(raw.size() / sizeof(float));
  std::copy_n(raw.data(), rec.size() * sizeof(float), reinterpret_cast<char*>(rec.data()));

  const auto first = std::find_if(rec.begin(), rec.end(), [](float s) { return s != 0.0f; });
  if (first == rec.end()) {
    std::fprintf(stderr, "burst_report: the recording is silent\n");
    return 1;
  }
  const std::size_t begin = static_cast<std::size_t>(first - rec.begin());
  // The burst ends at the first run of a tenth of a second of exact silence.
  std::size_t end = begin, zeros = 0;
  for (std::size_t i = begin; i < rec.size() && zeros < kRate / 10; ++i) {
    if (rec[i] != 0.0f) {
      end = i + 1;
      zeros = 0;
    } else {
      ++zeros;
    }
  }
  if (zeros < kRate / 10) {
    std::fprintf(stderr, "burst_report: the recording ends inside the burst\n");
    return 1;
  }
  const std::vector<float> burst(rec.begin() + begin, rec.begin() + end);

  // Frequency from the upward zero crossings of the middle half, placed
  // between samples by linear interpolation.
  double first_cross = -1.0, last_cross = -1.0;
  int crossings = 0;
  for (std::size_t i = burst.size() / 4; i + 1 < burst.size() * 3 / 4; ++i) {
    if (burst[i] < 0.0f && burst[i + 1] >= 0.0f) {
      const double t = i + burst[i] / (static_cast<double>(burst[i]) - burst[i + 1]);
      if (first_cross < 0) first_cross = t;
      last_cross = t;
      ++crossings;
    }
  }
  if (crossings < 2) {
    std::fprintf(stderr, "burst_report: too few cycles to measure\n");
    return 1;
  }
  const double hz = (crossings - 1) * kRate / (last_cross - first_cross);

  float peak = 0.0f;
  for (float s : burst) peak = std::max(peak, std::fabs(s));
  const auto half_period = static_cast<std::size_t>(std::ceil(kRate / hz / 2));
  const std::vector<float> env = envelope(burst, half_period);
  const float near_peak = peak * static_cast<float>(std::pow(10.0, -0.1 / 20));
  const auto rise = std::find_if(env.begin(), env.end(), [&](float e) { return e >= near_peak; });
  const auto fall = std::find_if(env.rbegin(), env.rend(), [&](float e) { return e >= near_peak; });
  const double fade_in = static_cast<double>(rise - env.begin()) / kRate;
  const double fade_out = static_cast<double>(fall - env.rbegin()) / kRate;

  const std::size_t margin = kRate / 10;
  const std::size_t from = begin > margin ? begin - margin : 0;
  const std::size_t to = std::min(rec.size(), end + margin);
  if (!write_wav(argv[2], rec.data() + from, to - from)) {
    std::fprintf(stderr, "burst_report: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("frequency:   %.2f Hz\n", hz);
  std::printf("peak level:  %.2f dBFS\n", 20 * std::log10(static_cast<double>(peak)));
  std::printf("burst:       %.3f s (%zu samples from the first to the last non-zero one)\n",
              static_cast<double>(burst.size()) / kRate, burst.size());
  std::printf("fade in:     %.3f s\n", fade_in);
  std::printf("fade out:    %.3f s\n", fade_out);
  return 0;
}
