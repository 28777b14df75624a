// The two ways the engine shares its state (module-level lock-free, and the
// locked record), behind one small interface so that every burst and history
// test runs against both.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/module_tone.h"
#include "engine/tone_state.h"

namespace sonavel_test {

inline double sum_newest(const sonavel::WaveformHistory& h, std::size_t n) {
  const std::uint64_t p = h.write_pos();
  double sum = 0.0;
  for (std::size_t k = 0; k < n; ++k)
    sum += h.entry(sonavel::WaveformHistory::newest_index(p, n, k));
  return sum;
}

struct ModuleEngine {
  static constexpr const char* kName = "module";
  void start(int hz, int db) { sonavel::start_burst(hz, db); }
  std::vector<float> render(std::size_t n) {
    std::vector<float> out(n);
    sonavel::render_tone(out.data(), static_cast<unsigned long>(n));
    return out;
  }
  bool paused() const { return sonavel::callbackPaused.load(); }
  std::uint64_t remaining() const { return sonavel::samplesRemaining.load(); }
  double phase() const { return sonavel::phase.load(); }
  std::int32_t freq() const { return sonavel::inputFreq.load(); }
  double attenuation() const { return sonavel::attenuation.load(); }
  const sonavel::WaveformHistory& history() const { return sonavel::waveformHistory; }
  // Sum of the n newest samples, read the way the view reads them.
  double peek_newest(std::size_t n) const { return sum_newest(history(), n); }
};

struct LockedEngine {
  static constexpr const char* kName = "locked";
  sonavel::ToneStateHolder holder = sonavel::SharedToneState::create();
  void start(int hz, int db) { sonavel::start_burst(*holder, hz, db); }
  std::vector<float> render(std::size_t n) {
    std::vector<float> out(n);
    sonavel::render_locked(*holder, out.data(), n, [](float s) { return s; });
    return out;
  }
  template <typename F>
  decltype(auto) read(F f) const {
    sonavel::ToneStateGuard guard(*holder);
    return f(guard.state());
  }
  bool paused() const {
    return read([](auto& s) { return s.callbackPaused; });
  }
  std::uint64_t remaining() const {
    return read([](auto& s) { return s.samplesRemaining; });
  }
  double phase() const {
    return read([](auto& s) { return s.phase; });
  }
  std::int32_t freq() const {
    return read([](auto& s) { return s.inputFreq; });
  }
  double attenuation() const {
    return read([](auto& s) { return s.attenuation; });
  }
  // Single-threaded tests only: the ring outlives the guard.
  const sonavel::WaveformHistory& history() const {
    return read([](auto& s) -> const sonavel::WaveformHistory& { return s.waveformHistory; });
  }
  double peek_newest(std::size_t n) const {
    return read([n](auto& s) { return sum_newest(s.waveformHistory, n); });
  }
};

}  // namespace sonavel_test
