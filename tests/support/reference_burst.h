// An independent rendering of one burst, written from the burst's definition
// (3 s at 44100 Hz, 0.5 s fades linear in dB from -160 dB, peak 0.999999 x
// the attenuation) rather than by calling the program's engine, so that tests
// can compare the program's output with it sample for sample.
#pragma once

#include <cmath>
#include <vector>

namespace sonavel_test {

inline constexpr int burstLength = 132300;
inline constexpr int fadeLength = 22050;

// Samples 0..132299 of a burst at freq_hz, attenuated by db, as 32-bit floats.
inline std::vector<float> reference_burst(int freq_hz, int db) {
  const double two_pi = 6.283185307179586;
  const double amplitude = std::pow(10.0, -static_cast<double>(db) / 20.0);
  std::vector<float> out;
  out.reserve(burstLength);
  double phase = 0.0;
  for (int n = 0; n < burstLength; ++n) {
    const int remaining = burstLength - n;
    double env = 1.0;
    if (n < fadeLength) {
      env = std::pow(10.0, ((static_cast<double>(n) / fadeLength) * 160.0 - 160.0) / 20.0);
    } else if (remaining <= fadeLength) {
      env = std::pow(10.0, ((static_cast<double>(remaining) / fadeLength) * 160.0 - 160.0) / 20.0);
    }
    out.push_back(static_cast<float>(std::sin(phase) * (0.999999 * amplitude * env)));
    phase += two_pi * static_cast<double>(freq_hz) / 44100.0;
    if (phase >= two_pi) phase -= two_pi;
  }
  return out;
}

}  // namespace sonavel_test
