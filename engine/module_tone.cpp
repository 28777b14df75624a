#include "engine/module_tone.h"

#include <algorithm>

#include "engine/burst.h"

namespace sonavel {

std::atomic<std::int32_t> inputFreq{initialFrequency};
std::atomic<double> attenuation{1.0};
WaveformHistory waveformHistory;
double waveformTimeWindowSec = 0.5;
unsigned waveformTimerId = 0;

namespace {

// Counts burst starts; its release store publishes the frequency and factor
// written before it.
std::atomic<std::uint64_t> burstSerial{0};
// The burst start the ring was last cleared for, stored by the audio thread
// after the clear.
std::atomic<std::uint64_t> historySerial{0};
// The last burst start that a cut ends, and how many a cut has ended.
std::atomic<std::uint64_t> cutSerial{0};
std::atomic<std::uint64_t> cutBursts{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

// The running burst as the audio thread sees it, and the start it belongs
// to; touched by that thread only. Its frequency and factor are taken when
// the burst starts, so the first half of a later start leaves this burst's
// pitch and level alone.
struct AudioVoice {
  std::uint64_t serial = 0;
  Burst burst;
};
AudioVoice audioVoice;

}  // namespace

void set_burst_tone(std::int32_t frequency_hz, std::int32_t attenuation_db) noexcept {
  inputFreq.store(frequency_hz, std::memory_order_relaxed);
  attenuation.store(db_to_linear(-static_cast<double>(attenuation_db)), std::memory_order_relaxed);
}

void arm_burst() noexcept {
  burstSerial.fetch_add(1, std::memory_order_release);
}

void start_burst(std::int32_t frequency_hz, std::int32_t attenuation_db) noexcept {
  set_burst_tone(frequency_hz, attenuation_db);
  arm_burst();
}

void cut_burst() noexcept {
  cutSerial.store(burstSerial.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

std::uint64_t bursts_cut() noexcept {
  return cutBursts.load(std::memory_order_relaxed);
}

bool history_is_current() noexcept {
  // Acquire: a reader that sees the audio thread's serial sees its clear too.
  return historySerial.load(std::memory_order_acquire) ==
         burstSerial.load(std::memory_order_relaxed);
}

// Runs on PortAudio's callback thread: nothing here may allocate, print or
// block. A burst start is taken up at the start of a buffer; the buffer then
// goes into the ring in one run.
void render_tone(float* out, unsigned long frames) noexcept {
  AudioVoice& voice = audioVoice;
  const std::uint64_t serial = burstSerial.load(std::memory_order_acquire);
  if (serial != voice.serial) {
    voice = AudioVoice{.serial = serial,
                       .burst = {.inputFreq = inputFreq.load(std::memory_order_relaxed),
                                 .attenuation = attenuation.load(std::memory_order_relaxed),
                                 .callbackPaused = false,
                                 .samplesRemaining = totalSamples,
                                 .phase = 0.0}};
    waveformHistory.clear_waveform_history();
    historySerial.store(serial, std::memory_order_release);
  }
  if (!voice.burst.callbackPaused && cutSerial.load(std::memory_order_relaxed) >= voice.serial) {
    voice.burst.callbackPaused = true;
    voice.burst.samplesRemaining = 0;
    waveformHistory.clear_waveform_history();
    cutBursts.fetch_add(1, std::memory_order_relaxed);
  }
  struct Sink {
    float* out;
    void sample(std::size_t i, float s) noexcept { out[i] = s; }
    void silence(std::size_t from, std::size_t to) noexcept {
      std::fill(out + from, out + to, 0.0f);
    }
  } sink{out};
  const bool sounding = !voice.burst.callbackPaused;
  render_burst(voice.burst, frames, sink);
  if (sounding) {
    waveformHistory.append(out, frames, true);
  } else {
    waveformHistory.append_silence(frames);
  }
}

}  // namespace sonavel
