// sonavel_pa's tone state: module-level, shared with PortAudio's callback
// thread without a lock.
//
// Every shared field is a std::atomic read and written whole. The burst start
// is published with a release store that the audio thread acquires, so the
// audio thread sees a new burst whole or not at all; callbackPaused is still
// cleared last. The audio thread keeps the running burst (pause flag, count,
// phase) in its own copy and mirrors it into the shared fields after each
// sample it plays, so a burst start can never be undone by the audio thread
// writing back an older count or phase. It also takes the frequency and
// factor when a burst starts, so that the first half of a burst start never
// changes the level or pitch of the burst still playing.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "monitor/waveform_history.h"

namespace sonavel {

extern std::atomic<std::int32_t> inputFreq;
extern std::atomic<double> attenuation;  // linear factor; 1.0 = 0 dB
extern std::atomic<bool> callbackPaused;
extern std::atomic<std::uint64_t> samplesRemaining;
extern std::atomic<double> phase;  // radians, in [0, 2*pi)

// Every output sample is entered, one for one (no decimation).
extern WaveformHistory waveformHistory;

// Steps 1 and 2 of a burst start: frequency and amplitude factor.
// Main thread only.
void set_burst_tone(std::int32_t frequency_hz, std::int32_t attenuation_db);
// Steps 3 to 6: phase, history clear, sample count, and the pause flag last.
// Main thread only.
void arm_burst();
// The whole burst start, both halves in order. Main thread only.
void start_burst(std::int32_t frequency_hz, std::int32_t attenuation_db);

// Audio thread; real-time safe.
void push_waveform_sample(float sample);
// Main thread only.
void clear_waveform_history();

// Audio thread; real-time safe: no allocation, no I/O, no lock.
float next_sample();
// Fills out[0..frames) with one next_sample() each, in order.
// Audio thread; real-time safe.
void render_tone(float* out, unsigned long frames);

}  // namespace sonavel
