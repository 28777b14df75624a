#include "monitor/tone_link.h"

#include <algorithm>
#include <functional>

#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

namespace {

// What a frame was taken from, to tell whether the next one would differ.
struct DrawnOutput {
  std::uint64_t written = 0;
  bool current = true;

  void take(const WaveformHistory& ring, bool is_current) {
    written = ring.written();
    current = is_current;
  }
  // The ring's picture changes while it holds a burst's samples: samples
  // come in or scroll out, until the last one has scrolled out.
  bool differs(const WaveformHistory& ring, bool is_current) const {
    if (is_current != current) return true;
    const std::uint64_t end = ring.sound_end();
    return ring.written() != written && end != 0 && end + historyLength > written;
  }
};

class ModuleToneLink final : public ToneLink {
 public:
  void prepare_burst(int frequency_hz, int attenuation_db) override {
    set_burst_tone(frequency_hz, attenuation_db);
  }
  void commit_burst(int, int) override {
    arm_burst();
    burst_committed();
  }
  void set_time_window(double seconds) override { waveformTimeWindowSec = seconds; }

  // Reads the ring live. Right after a burst start, until the audio thread
  // has cleared the ring for it, the ring is shown empty: what it holds then
  // belongs to the earlier burst, at the earlier level.
  void take_frame(const ProgramChoices& choices, WaveformFrame& frame,
                  WaveformCopy& copy) override {
    frame.freq = inputFreq.load(std::memory_order_relaxed);
    frame.rawAmp = outputCeiling * attenuation.load(std::memory_order_relaxed);
    frame.seconds_visible = waveformTimeWindowSec;
    frame.visible_samples = visible_sample_count(frame.seconds_visible, choices.visibleCount);
    frame.recentRule = choices.recentOutput;
    const bool current = history_is_current();
    drawn_.take(waveformHistory, current);
    frame.write_pos_snapshot = current ? waveformHistory.write_pos() : 0;
    frame.ring = current ? &waveformHistory : nullptr;
    frame.copy = current ? nullptr : copy.data();
    if (!current) std::fill_n(copy.begin(), frame.visible_samples, 0.0f);
    frame.ringHasRecentOutput = current && frame.recentRule == RecentOutputRule::WholeRing &&
                                ring_has_recent_output(waveformHistory);
    frame.notice = notice_or_null();
  }

  bool picture_changed() override { return drawn_.differs(waveformHistory, history_is_current()); }

 private:
  DrawnOutput drawn_;
};

class LockedToneLink final : public ToneLink {
 public:
  LockedToneLink(ToneStateHolder holder, std::function<void()> started)
      : holder_(std::move(holder)), started_(std::move(started)) {}

  void prepare_burst(int, int) override {}
  // The output is told after the lock is let go: it takes its own lock
  // first and then the tone state's.
  void commit_burst(int frequency_hz, int attenuation_db) override {
    start_burst(*holder_, frequency_hz, attenuation_db);
    burst_committed();
    if (started_) started_();
  }
  void set_time_window(double seconds) override {
    ToneStateGuard guard(*holder_);
    guard.state().waveformTimeWindowSec = seconds;
  }

  // Holds the lock only for the copy, the scan and the scalar reads; the
  // caller draws from the copy without it. At most that is a copy of 32768
  // samples and one scan of the ring, a small part of the 5.8 ms block the
  // audio thread, which waits for it, has to fill (scripts/bench measures
  // it: BM_LockedFrameCopy).
  void take_frame(const ProgramChoices& choices, WaveformFrame& frame,
                  WaveformCopy& copy) override {
    ToneStateGuard guard(*holder_);
    const ToneState& s = guard.state();
    drawn_.take(s.waveformHistory, true);
    frame.seconds_visible = s.waveformTimeWindowSec;
    frame.visible_samples = visible_sample_count(frame.seconds_visible, choices.visibleCount);
    frame.write_pos_snapshot = s.waveformHistory.write_pos();
    for (std::uint32_t k = 0; k < frame.visible_samples; ++k) {
      copy[k] = s.waveformHistory.entry(
          WaveformHistory::newest_index(frame.write_pos_snapshot, frame.visible_samples, k));
    }
    frame.copy = copy.data();
    frame.ring = nullptr;
    frame.rawAmp = s.burst.attenuation * outputCeiling;
    frame.freq = s.burst.inputFreq;
    frame.recentRule = choices.recentOutput;
    frame.ringHasRecentOutput = frame.recentRule == RecentOutputRule::WholeRing &&
                                ring_has_recent_output(s.waveformHistory);
    frame.notice = notice_or_null();
  }

  bool picture_changed() override {
    ToneStateGuard guard(*holder_);
    return drawn_.differs(guard.state().waveformHistory, true);
  }

 private:
  ToneStateHolder holder_;
  std::function<void()> started_;
  DrawnOutput drawn_;
};

}  // namespace

std::shared_ptr<ToneLink> make_module_tone_link() {
  return std::make_shared<ModuleToneLink>();
}

std::shared_ptr<ToneLink> make_locked_tone_link(ToneStateHolder holder,
                                                std::function<void()> burst_started) {
  return std::make_shared<LockedToneLink>(std::move(holder), std::move(burst_started));
}

}  // namespace sonavel
