// The ring of the most recent output samples, read by the waveform view.
//
// The audio render pushes every sample it produces, silence included; a burst
// start clears the ring. Entries and the write position are relaxed atomics so
// that sonavel_pa can share the ring without a lock (a reader may see entries
// change under it, which the view accepts); in sonavel the same ring lives in
// the locked tone state, where the relaxed atomics cost nothing extra.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sonavel {

inline constexpr std::size_t historyLength = 32768;  // about 0.743 s at 44100 Hz
inline constexpr std::uint64_t historyMask = historyLength - 1;
static_assert((historyLength & historyMask) == 0, "the ring wraps with a mask");
static_assert(std::atomic<float>::is_always_lock_free);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

class WaveformHistory {
 public:
  // Appends samples[0..count) at the write position, wrapping to 0, in at
  // most two runs, and moves the write position once. sounding says that
  // the samples belong to a burst (silence otherwise). Audio thread;
  // real-time safe.
  void append(const float* samples, std::size_t count, bool sounding) noexcept {
    enter(count, sounding, [samples](std::size_t i) { return samples[i]; });
  }
  // Appends count samples of silence (0.0) without reading them from a
  // buffer. Every sample other than 0.0 is appended as sounding, so once a
  // whole ring has come in since the last sounding one, every entry is 0.0
  // already and only the position moves. Audio thread; real-time safe.
  void append_silence(std::size_t count) noexcept {
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    if (written - soundEnd_.load(std::memory_order_relaxed) >= historyLength) {
      waveformHistoryWritePos.store((write_pos() + count) & historyMask, std::memory_order_relaxed);
      written_.store(written + count, std::memory_order_relaxed);
      return;
    }
    enter(count, false, [](std::size_t) { return 0.0f; });
  }

  // One sample on its own. Audio thread; real-time safe.
  void push_waveform_sample(float sample) noexcept { append(&sample, 1, sample != 0.0f); }

  // Zeroes every entry in ascending order, then the write position. The
  // writer's thread, or under the tone-state lock.
  void clear_waveform_history() noexcept {
    for (auto& slot : slots_) slot.store(0.0f, std::memory_order_relaxed);
    waveformHistoryWritePos.store(0, std::memory_order_relaxed);
  }

  std::uint64_t write_pos() const noexcept {
    return waveformHistoryWritePos.load(std::memory_order_relaxed);
  }
  float entry(std::size_t index) const noexcept {
    return slots_[index & historyMask].load(std::memory_order_relaxed);
  }

  // The reading rule: index of the k-th (0 = oldest) of the n newest samples
  // for a write position taken once by the reader.
  static std::size_t newest_index(std::uint64_t write_pos_snapshot, std::size_t n,
                                  std::size_t k) noexcept {
    const std::uint64_t start_idx = (write_pos_snapshot - n) & historyMask;
    const std::uint64_t idx = (start_idx + k) & historyMask;
    return static_cast<std::size_t>(idx);
  }

  // How many samples have been appended since the ring was made (clears do
  // not count back), and that count at the end of the last burst sample, 0
  // before the first: the ring may hold a burst's samples only while fewer
  // than historyLength samples have come after it.
  std::uint64_t written() const noexcept { return written_.load(std::memory_order_relaxed); }
  std::uint64_t sound_end() const noexcept { return soundEnd_.load(std::memory_order_relaxed); }

  // True when any entry of the whole ring is above threshold in magnitude.
  bool any_above(float threshold) const noexcept;

 private:
  // Enters sample(0) to sample(count - 1) as append describes.
  template <typename Sample>
  void enter(std::size_t count, bool sounding, Sample sample) noexcept {
    std::uint64_t pos = write_pos();
    const std::uint64_t written = written_.load(std::memory_order_relaxed) + count;
    std::size_t done = 0;
    while (done < count) {
      const std::size_t run = std::min<std::size_t>(count - done, historyLength - pos);
      for (std::size_t i = 0; i < run; ++i) {
        slots_[pos + i].store(sample(done + i), std::memory_order_relaxed);
      }
      done += run;
      pos = (pos + run) & historyMask;
    }
    waveformHistoryWritePos.store(pos, std::memory_order_relaxed);
    written_.store(written, std::memory_order_relaxed);
    if (sounding) soundEnd_.store(written, std::memory_order_relaxed);
  }

  std::array<std::atomic<float>, historyLength> slots_{};  // value-initialised: all 0.0
  std::atomic<std::uint64_t> waveformHistoryWritePos{0};
  std::atomic<std::uint64_t> written_{0}, soundEnd_{0};
};

}  // namespace sonavel
