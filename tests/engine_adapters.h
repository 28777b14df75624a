// The two ways the engine shares its state (module-level lock-free, and the
// locked record) behind one small interface, so that every burst and history
// test runs against both; link is the way each program's view reads it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/sample_format.h"
#include "engine/module_tone.h"
#include "engine/tone_state.h"
#include "monitor/program_choices.h"
#include "monitor/tone_link.h"
#include "support/module_tone_reset.h"

namespace sonavel_test {

struct ModuleEngine {
  static constexpr const char* name = "module";
  ModuleEngine() { reset_module_tone(); }
  void start(int hz, int db) { sonavel::start_burst(hz, db); }
  std::vector<float> render(std::size_t n) {
    std::vector<float> out(n);
    sonavel::render_tone(out.data(), static_cast<unsigned long>(n));
    return out;
  }
  // Single-threaded tests only, or racing reads the view accepts.
  const sonavel::WaveformHistory& history() const { return sonavel::waveformHistory; }
  std::shared_ptr<sonavel::ToneLink> link = sonavel::make_module_tone_link();
  static constexpr sonavel::ProgramChoices choices = sonavel::sonavelPaChoices;
};

struct LockedEngine {
  static constexpr const char* name = "locked";
  sonavel::ToneStateHolder holder = sonavel::SharedToneState::create();
  void start(int hz, int db) { sonavel::start_burst(*holder, hz, db); }
  std::vector<float> render(std::size_t n) {
    std::vector<float> out(n);
    sonavel::render_locked<sonavel::F32Codec>(*holder, out.data(), n);
    return out;
  }
  // Single-threaded tests only: the ring outlives the guard.
  const sonavel::WaveformHistory& history() const {
    sonavel::ToneStateGuard guard(*holder);
    return guard.state().waveformHistory;
  }
  std::shared_ptr<sonavel::ToneLink> link = sonavel::make_locked_tone_link(holder);
  static constexpr sonavel::ProgramChoices choices = sonavel::sonavelChoices;
};

using Engines = ::testing::Types<ModuleEngine, LockedEngine>;
struct EngineNames {
  template <typename T>
  static std::string GetName(int) {
    return T::name;
  }
};

}  // namespace sonavel_test
