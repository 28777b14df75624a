// Measures the first burst in a raw recording (float32le, mono, 44100 Hz) and
// writes it, with a little silence either side, as a 32-bit float WAV file.
// Usage: burst_report RECORDING.f32 OUT.wav
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/burst_measure.h"
#include "support/recording.h"

namespace {

constexpr int rate = 44100;

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
  u32(rate);
  u32(rate * sizeof(float));
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: burst_report RECORDING.f32 OUT.wav\n");
    return 2;
  }
  const std::vector<float> rec = sonavel_test::read_recording(argv[1]);

  std::string why;
  const auto f = sonavel_test::measure_burst(rec, &why);
  if (!f) {
    std::fprintf(stderr, "burst_report: %s\n", why.c_str());
    return 1;
  }
  const std::size_t margin = rate / 10;
  const std::size_t from = f->begin > margin ? f->begin - margin : 0;
  const std::size_t to = std::min(rec.size(), f->begin + f->length + margin);
  if (!write_wav(argv[2], rec.data() + from, to - from)) {
    std::fprintf(stderr, "burst_report: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("frequency:   %.2f Hz\n", f->hz);
  std::printf("peak level:  %.2f dBFS\n", f->peakDbfs);
  std::printf("burst:       %.3f s (%zu samples from the first to the last non-zero one)\n",
              static_cast<double>(f->length) / rate, f->length);
  std::printf("fade in:     %.3f s\n", f->fadeInSec);
  std::printf("fade out:    %.3f s\n", f->fadeOutSec);
  return 0;
}
