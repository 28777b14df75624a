#include "ui/tone_link.h"

#include "engine/burst.h"
#include "engine/module_tone.h"

namespace sonavel {

double waveformTimeWindowSec = 0.5;

namespace {

class ModuleToneLink final : public ToneLink {
 public:
  void prepare_burst(int frequency_hz, int attenuation_db) override {
    set_burst_tone(frequency_hz, attenuation_db);
  }
  void commit_burst(int, int) override { arm_burst(); }
  void set_time_window(double seconds) override { waveformTimeWindowSec = seconds; }

  void take_frame(const ProgramChoices& choices, WaveformFrame& frame, WaveformCopy&) override {
    frame.freq = inputFreq.load(std::memory_order_relaxed);
    frame.raw_amp = kOutputCeiling * attenuation.load(std::memory_order_relaxed);
    frame.writePos = waveformHistory.write_pos();
    frame.seconds_visible = waveformTimeWindowSec;
    frame.visible_samples = visible_sample_count(frame.seconds_visible, choices.visibleCount);
    frame.ring = &waveformHistory;
    frame.copy = nullptr;
    frame.recentRule = choices.recentOutput;
    if (frame.recentRule == RecentOutputRule::WholeRing) {
      frame.ringHasRecentOutput =
          waveformHistory.any_above(static_cast<float>(kRecentOutputThreshold));
    }
  }
};

class LockedToneLink final : public ToneLink {
 public:
  explicit LockedToneLink(ToneStateHolder holder) : holder_(std::move(holder)) {}

  void prepare_burst(int, int) override {}
  void commit_burst(int frequency_hz, int attenuation_db) override {
    start_burst(*holder_, frequency_hz, attenuation_db);
  }
  void set_time_window(double seconds) override {
    ToneStateGuard guard(*holder_);
    guard.state().waveformTimeWindowSec = seconds;
  }

  // Holds the lock only for the copy, the scan and the scalar reads; the
  // caller draws from the copy without it.
  void take_frame(const ProgramChoices& choices, WaveformFrame& frame,
                  WaveformCopy& copy) override {
    ToneStateGuard guard(*holder_);
    const ToneState& s = guard.state();
    frame.seconds_visible = s.waveformTimeWindowSec;
    frame.visible_samples = visible_sample_count(frame.seconds_visible, choices.visibleCount);
    const std::uint64_t p = s.waveformHistory.write_pos();
    for (std::uint32_t k = 0; k < frame.visible_samples; ++k) {
      copy[k] = s.waveformHistory.entry(WaveformHistory::newest_index(p, frame.visible_samples, k));
    }
    frame.copy = copy.data();
    frame.ring = nullptr;
    frame.writePos = p;
    frame.raw_amp = s.attenuation * kOutputCeiling;
    frame.freq = s.inputFreq;
    frame.recentRule = choices.recentOutput;
    if (frame.recentRule == RecentOutputRule::WholeRing) {
      frame.ringHasRecentOutput =
          s.waveformHistory.any_above(static_cast<float>(kRecentOutputThreshold));
    }
  }

 private:
  ToneStateHolder holder_;
};

}  // namespace

std::shared_ptr<ToneLink> make_module_tone_link() {
  return std::make_shared<ModuleToneLink>();
}

std::shared_ptr<ToneLink> make_locked_tone_link(ToneStateHolder holder) {
  return std::make_shared<LockedToneLink>(std::move(holder));
}

}  // namespace sonavel
