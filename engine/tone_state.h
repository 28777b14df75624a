// sonavel's tone state: one record behind one mutex, shared by reference
// counting between the sound server's thread and the main-thread handlers.
//
// Every access to any field takes toneStateLock. The audio side takes it once
// per 256-frame block, and briefly to ask whether a burst waits to start; the
// burst start, the view's copy and the time-window change take it briefly.
// The audio side's write callback runs holding the sound client's main-loop
// lock, so the one rule of order is: never take the main-loop lock while
// holding toneStateLock. Nothing done under the lock can throw, so the record
// is never left half-written.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/burst.h"
#include "engine/waveform_history.h"

namespace sonavel {

struct ToneState {
  Burst burst;
  WaveformHistory waveformHistory;
  double waveformTimeWindowSec = 0.5;
};

class SharedToneState;
using ToneStateHolder = std::shared_ptr<SharedToneState>;

class SharedToneState {
 public:
  // The record with its initial values: paused, 20 Hz, factor 1.0, silent
  // history, time window 0.5 s.
  static ToneStateHolder create() { return std::make_shared<SharedToneState>(); }

 private:
  friend class ToneStateGuard;
  std::mutex toneStateLock;
  ToneState state_;
};

// Holds toneStateLock for its lifetime and gives access to the record.
class ToneStateGuard {
 public:
  explicit ToneStateGuard(SharedToneState& shared) noexcept
      : lock_(shared.toneStateLock), state_(shared.state_) {}
  ToneState& state() noexcept { return state_; }

 private:
  std::lock_guard<std::mutex> lock_;
  ToneState& state_;
};

// The whole burst start as one critical section. Main thread only.
void start_burst(SharedToneState& shared, std::int32_t frequency_hz,
                 std::int32_t attenuation_db) noexcept;

// Ends the burst, waiting or sounding, and clears the history: nothing of it
// sounds or shows any more. A connection made again after its server went
// away starts this way, so that only a burst started afterwards plays. Any
// thread.
void end_burst(SharedToneState& shared) noexcept;
// Whether a burst has been started and none of its samples rendered yet.
// Audio thread; takes the lock briefly.
bool burst_waiting(SharedToneState& shared) noexcept;

// Fills out[0..count) with Codec's encoding of silence. Real-time safe.
template <typename Codec>
void fill_silence(typename Codec::Slot* out, std::size_t count) noexcept {
  std::fill_n(out, count, Codec::encode(0.0f));
}

// Fills out[0..count) with the next samples, each encoded for the device by
// Codec::encode, under one hold of the lock, and records in the history what
// the device receives: each slot decoded again by Codec::decode. Returns
// whether any of it belonged to a burst. Audio thread; real-time safe apart
// from the one allowed lock.
template <typename Codec>
bool render_locked(SharedToneState& shared, typename Codec::Slot* out, std::size_t count) noexcept {
  using Slot = typename Codec::Slot;
  // A codec whose slots are the samples themselves (exact) needs no copy of
  // what the device receives: the ring takes the slots.
  constexpr bool exact = Codec::exact;
  constexpr std::size_t chunk = 256;
  struct Sink {
    Slot* out;
    float heard[exact ? 1 : chunk];
    void sample(std::size_t i, float value) noexcept {
      const Slot slot = Codec::encode(value);
      out[i] = slot;
      if constexpr (!exact) heard[i] = Codec::decode(slot);
    }
    void silence(std::size_t from, std::size_t to) noexcept {
      fill_silence<Codec>(out + from, to - from);
      if constexpr (!exact) std::fill(heard + from, heard + to, Codec::decode(Codec::encode(0.0f)));
    }
  } sink;
  ToneStateGuard guard(shared);
  ToneState& s = guard.state();
  bool any_sounding = false;
  for (std::size_t done = 0; done < count; done += chunk) {
    const std::size_t n = std::min(chunk, count - done);
    sink.out = out + done;
    if (s.burst.callbackPaused) {
      // Nothing of the chunk sounds: the device gets silence, and the ring
      // takes it without a copy of what the device receives.
      fill_silence<Codec>(sink.out, n);
      s.waveformHistory.append_silence(n);
      continue;
    }
    any_sounding = true;
    render_burst(s.burst, n, sink);
    if constexpr (exact) {
      s.waveformHistory.append(reinterpret_cast<const float*>(sink.out), n, true);
    } else {
      s.waveformHistory.append(sink.heard, n, true);
    }
  }
  return any_sounding;
}

}  // namespace sonavel
