// sonavel's tone state: one record behind one mutex, shared by reference
// counting between the audio interface's thread and the main-thread handlers.
//
// Every access to any field takes toneStateLock. The audio side takes it once
// per buffer; the burst start, the view's copy and the time-window change take
// it briefly. There is no other lock, so there is no lock order.
//
// C++ mutexes are not poisoned when a holder fails, so the record does it
// itself: a critical section that ends by an exception marks the record
// unusable; from then on start_burst changes nothing and the render side
// produces silence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>

#include "engine/burst.h"
#include "monitor/waveform_history.h"

namespace sonavel {

struct ToneState {
  std::int32_t inputFreq = kInitialFrequency;
  double attenuation = 1.0;
  bool callbackPaused = true;
  std::uint64_t samplesRemaining = 0;
  double phase = 0.0;
  WaveformHistory waveformHistory;
  double waveformTimeWindowSec = 0.5;
};

class SharedToneState;
using ToneStateHolder = std::shared_ptr<SharedToneState>;

// Holds toneStateLock for its lifetime; marks the record unusable if the
// scope is left by an exception.
class ToneStateGuard {
 public:
  explicit ToneStateGuard(SharedToneState& shared);
  ~ToneStateGuard();
  ToneStateGuard(const ToneStateGuard&) = delete;
  ToneStateGuard& operator=(const ToneStateGuard&) = delete;

  // False once any holder of the lock has failed inside it.
  bool usable() const noexcept;
  ToneState& state() noexcept;

 private:
  SharedToneState& shared_;
  std::unique_lock<std::mutex> lock_;
  int exceptionsAtEntry_;
};

class SharedToneState {
 public:
  // The record with its initial values: paused, 20 Hz, factor 1.0, silent
  // history, time window 0.5 s.
  static ToneStateHolder create() { return std::make_shared<SharedToneState>(); }

 private:
  friend class ToneStateGuard;
  std::mutex toneStateLock;
  ToneState state_;
  bool poisoned_ = false;  // guarded by toneStateLock
};

// The whole burst start as one critical section. Main thread only.
void start_burst(SharedToneState& shared, std::int32_t frequency_hz, std::int32_t attenuation_db);

// Renders one sample and records it. The caller holds toneStateLock.
// Audio thread; real-time safe.
float next_sample(ToneState& state) noexcept;
// The same, recording through a writer that the caller holds for the buffer.
// Inlined into the buffer loop so the ring position stays in a register.
[[gnu::always_inline]] inline float next_sample(ToneState& state,
                                                WaveformHistory::Writer& history) noexcept {
  const float sample = synthesize_sample(state.callbackPaused, state.samplesRemaining, state.phase,
                                         state.inputFreq, state.attenuation);
  history.push(sample);
  return sample;
}

// Fills out[0..count) with convert(next_sample()) under one hold of the lock,
// or with convert(0.0f) when the record is unusable.
// Audio thread; real-time safe apart from the one allowed lock.
template <typename Slot, typename Convert>
void render_locked(SharedToneState& shared, Slot* out, std::size_t count, Convert convert) {
  ToneStateGuard guard(shared);
  if (!guard.usable()) {
    const Slot silence = convert(0.0f);
    for (std::size_t i = 0; i < count; ++i) out[i] = silence;
    return;
  }
  ToneState& state = guard.state();
  WaveformHistory::Writer history(state.waveformHistory);
  for (std::size_t i = 0; i < count; ++i) out[i] = convert(next_sample(state, history));
}

}  // namespace sonavel
