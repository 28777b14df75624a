#include "engine/module_tone.h"

#include "engine/burst.h"

namespace sonavel {

std::atomic<std::int32_t> inputFreq{kInitialFrequency};
std::atomic<double> attenuation{1.0};
std::atomic<bool> callbackPaused{true};
std::atomic<std::uint64_t> samplesRemaining{0};
std::atomic<double> phase{0.0};

WaveformHistory waveformHistory;

namespace {

// Counts burst starts; the release store of a new value publishes everything
// arm_burst wrote before it.
std::atomic<std::uint64_t> burstSerial{0};

// The running burst as the audio thread sees it. Touched by the audio thread
// only (see next_sample), so it needs no synchronisation.
struct AudioVoice {
  std::uint64_t serial = 0;
  bool paused = true;
  std::uint64_t remaining = 0;
  double phase = 0.0;
  // Taken when the burst starts. A burst start sets the frequency and factor
  // some microseconds before it arms the burst (the label and title are
  // rewritten in between); a buffer rendered in that gap must go on playing
  // the old burst at its own level, not at the new one.
  std::int32_t freq = kInitialFrequency;
  double attenuation = 1.0;
};
AudioVoice audioVoice;

}  // namespace

void set_burst_tone(std::int32_t frequency_hz, std::int32_t attenuation_db) {
  inputFreq.store(frequency_hz, std::memory_order_relaxed);
  attenuation.store(db_to_linear(-static_cast<double>(attenuation_db)), std::memory_order_relaxed);
}

void arm_burst() {
  phase.store(0.0, std::memory_order_relaxed);
  clear_waveform_history();
  samplesRemaining.store(totalSamples, std::memory_order_relaxed);
  // Release: the audio thread that acquires the new serial also sees the
  // cleared ring, so none of its later samples can land before the clear.
  burstSerial.fetch_add(1, std::memory_order_release);
  callbackPaused.store(false, std::memory_order_release);  // last, as published
}

void start_burst(std::int32_t frequency_hz, std::int32_t attenuation_db) {
  set_burst_tone(frequency_hz, attenuation_db);
  arm_burst();
}

void push_waveform_sample(float sample) {
  waveformHistory.push(sample);
}

void clear_waveform_history() {
  waveformHistory.clear();
}

namespace {

// Runs on PortAudio's callback thread: nothing here may allocate, print or
// block. Inlined into the buffer loop so the ring position stays in a register.
[[gnu::always_inline]] inline float next_sample_into(WaveformHistory::Writer& history) {
  AudioVoice& voice = audioVoice;
  const std::uint64_t serial = burstSerial.load(std::memory_order_acquire);
  if (serial != voice.serial) {
    // A burst start: begin the new burst from its first sample, whatever the
    // shared fields hold now (the mirror below may have overwritten them).
    voice = AudioVoice{serial,
                       false,
                       totalSamples,
                       0.0,
                       inputFreq.load(std::memory_order_relaxed),
                       attenuation.load(std::memory_order_relaxed)};
    history.resync();  // the start cleared the ring before publishing
  }
  const bool was_playing = !voice.paused;
  const float sample =
      synthesize_sample(voice.paused, voice.remaining, voice.phase, voice.freq, voice.attenuation);
  if (was_playing) {
    phase.store(voice.phase, std::memory_order_relaxed);
    samplesRemaining.store(voice.remaining, std::memory_order_relaxed);
    callbackPaused.store(voice.paused, std::memory_order_relaxed);
  }
  history.push(sample);
  return sample;
}

}  // namespace

float next_sample() {
  WaveformHistory::Writer history(waveformHistory);
  return next_sample_into(history);
}

void render_tone(float* out, unsigned long frames) {
  WaveformHistory::Writer history(waveformHistory);
  for (unsigned long i = 0; i < frames; ++i) out[i] = next_sample_into(history);
}

}  // namespace sonavel
