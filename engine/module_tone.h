// sonavel_pa's module-level state, all of it in one place: the tone state and
// the waveform history that PortAudio's callback thread shares without a lock,
// and the time window and refresh-timer id that only the main thread touches.
//
// A burst start is published through one counter. The main thread sets the
// frequency and the factor, then advances the counter with a release store;
// the audio thread acquires it once per buffer and, when it has changed,
// clears the ring and begins the new burst from its first sample with the
// frequency and factor it finds. The ring is cleared on the audio thread so
// that no sample of an earlier burst can land behind the clear; until that
// has happened the view shows the ring as empty (history_is_current). The
// running burst's pause flag, remaining count and phase belong to the audio
// thread alone, so a burst start can never be undone by the audio thread
// writing back an older count or phase, and the first half of a start
// (frequency and factor, set before the label and title are rewritten) never
// changes the burst still playing.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/waveform_history.h"

namespace sonavel {

static_assert(std::atomic<std::int32_t>::is_always_lock_free);
static_assert(std::atomic<double>::is_always_lock_free);

// Shared with the audio thread; the view reads them for its captions and zoom.
extern std::atomic<std::int32_t> inputFreq;
extern std::atomic<double> attenuation;  // linear factor; 1.0 = 0 dB
// Every output sample is entered, one for one.
extern WaveformHistory waveformHistory;

// Main thread only: the seconds of history the view shows, and the refresh
// timer's GLib source id (0 while none is registered).
extern double waveformTimeWindowSec;
extern unsigned waveformTimerId;

// The first half of a burst start: frequency and amplitude factor.
// Main thread only.
void set_burst_tone(std::int32_t frequency_hz, std::int32_t attenuation_db) noexcept;
// The second half: the burst made known to the audio thread, which takes it
// up, history clear included, at its next buffer. Main thread only.
void arm_burst() noexcept;
// Both halves in order. Main thread only.
void start_burst(std::int32_t frequency_hz, std::int32_t attenuation_db) noexcept;

// Ends the burst started last, if it still waits or sounds, at the audio
// thread's next buffer, and clears the ring then: a burst broken by a stall
// of the stream is not resumed, and only a later start plays. Any thread.
void cut_burst() noexcept;
// How many bursts a cut has ended while they waited or sounded. Any thread.
std::uint64_t bursts_cut() noexcept;

// False from a burst start until the audio thread has cleared the ring for
// it: until then the ring may still hold the earlier burst. Main thread only.
bool history_is_current() noexcept;

// Fills out[0..frames) with the next samples of the tone and records each one
// in the history. Audio thread; real-time safe: no allocation, no I/O, no lock.
void render_tone(float* out, unsigned long frames) noexcept;

}  // namespace sonavel
