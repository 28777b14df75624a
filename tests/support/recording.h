// A raw recording of a sink's monitor, as the recorder writes it: samples of
// one type, the channels interleaved. The one reader of such a file, for the
// tests, the tools and the benchmarks.
#pragma once

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace sonavel_test {

// The silence that ends a burst in a recording at 44100 Hz: a tenth of a
// second of exact zeros, far longer than any gap a server leaves inside one.
inline constexpr std::size_t burstEndingSilence = 4410;

// The whole file as samples of T; a trailing part sample is left out, and a
// file that cannot be read gives none.
template <typename T = float>
std::vector<T> read_recording(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  std::vector<T> out(bytes.size() / sizeof(T));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
  return out;
}

}  // namespace sonavel_test
