// Burst synthesis and history, run against both sharing modes. CTest runs
// every case in a process of its own, so the module-level state starts fresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/module_tone.h"
#include "engine/output_facts.h"
#include "engine_adapters.h"
#include "support/burst_matcher.h"
#include "support/burst_measure.h"
#include "support/reference_burst.h"

using namespace sonavel_test;

namespace {

template <typename Engine>
class BurstTest : public ::testing::Test {
 protected:
  Engine engine;
};
TYPED_TEST_SUITE(BurstTest, Engines, EngineNames);

bool all_zero(const std::vector<float>& v) {
  return std::all_of(v.begin(), v.end(), [](float s) { return s == 0.0f; });
}

TYPED_TEST(BurstTest, SilentUntilTheFirstStart) {
  auto& e = this->engine;
  EXPECT_TRUE(all_zero(e.render(40000)));  // more than the ring holds
  EXPECT_FALSE(e.history().any_above(0.0f));
  EXPECT_EQ(e.history().write_pos(), 40000u % 32768u);
}

// The one sample-for-sample comparison with the independent rendering, at the
// lowest, a middle and the highest band; then exactly silence. The burst
// stepped one next_sample at a time, as no block splits it, gives the same.
TYPED_TEST(BurstTest, WholeBurstMatchesTheReferenceThenFallsSilent) {
  for (const auto& [hz, db] : {std::pair{25, 37}, {1000, 0}, {16000, 120}}) {
    this->engine.start(hz, db);
    const auto out = this->engine.render(132300);
    const auto ref = reference_burst(hz, db);
    for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ref[i]) << hz << " Hz, " << i;
    EXPECT_NE(out.back(), 0.0f) << "the last sample is at -160 dB, not silence";
    EXPECT_TRUE(all_zero(this->engine.render(5000))) << hz << " Hz: the burst must end";

    sonavel::Burst one{.inputFreq = hz,
                       .attenuation = std::pow(10.0, -db / 20.0),
                       .callbackPaused = false,
                       .samplesRemaining = 132300};
    for (std::size_t i = 0; i < ref.size(); ++i) {
      ASSERT_EQ(sonavel::next_sample(one), ref[i]) << hz << " Hz, one at a time, " << i;
    }
    EXPECT_EQ(sonavel::next_sample(one), 0.0f);
    EXPECT_TRUE(one.callbackPaused) << "the last sample pauses the render";
  }
}

// What a listener's instruments find in a burst: its pitch, its level, its
// length and its fades.
TYPED_TEST(BurstTest, RenderedBurstMeasuresAsItsBandAndLevel) {
  for (const auto& [hz, db] : {std::pair{1000, 30}, {125, 0}, {8000, 120}}) {
    this->engine.start(hz, db);
    auto out = this->engine.render(132300 + 5000);
    std::string why;
    const auto f = measure_burst(out, &why);
    ASSERT_TRUE(f) << why;
    EXPECT_NEAR(f->hz, hz, hz * 1e-5);
    EXPECT_NEAR(f->peakDbfs, -db, 0.01);
    EXPECT_LT(f->peakDbfs, -db) << "the peak stays below the band's level";
    EXPECT_EQ(f->length, 132299u) << "3 s, from the sample after the first (0.0) to the last";
    EXPECT_NEAR(f->fadeInSec, 0.5, 0.005);
    EXPECT_NEAR(f->fadeOutSec, 0.5, 0.005);
  }
}

TYPED_TEST(BurstTest, StartingWhilePlayingRestartsFromTheFirstSample) {
  auto& e = this->engine;
  e.start(250, 10);
  e.render(50000);
  e.start(4000, 20);
  auto out = e.render(1);
  EXPECT_EQ(e.history().write_pos(), 1u);
  EXPECT_FALSE(e.history().any_above(0.0f)) << "the start clears the history";

  out.resize(132300);
  const auto rest = e.render(132299);
  std::copy(rest.begin(), rest.end(), out.begin() + 1);
  const auto ref = reference_burst(4000, 20);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ref[i]) << i;
  EXPECT_EQ(e.history().entry(0), ref[32768 * 4]) << "the new burst's first sample went to slot 0";

  // Cut off where its sine is exactly 0.0 (630 Hz repeats every 70 samples:
  // 8960 is 128 periods), a burst still reads as itself and then the next one
  // from its first sample, also 0.0.
  e.start(630, 41);
  auto cut = e.render(8960);
  ASSERT_EQ(reference_burst(630, 41)[8960], 0.0f);
  e.start(25, 41);
  const auto next = e.render(132300 + burstEndingSilence);
  cut.insert(cut.end(), next.begin(), next.end());
  const BurstMatch m = match_bursts(
      cut, std::vector<std::vector<float>>{reference_burst(630, 41), reference_burst(25, 41)}, 0,
      burstEndingSilence);
  EXPECT_EQ(m.result, MatchResult::Exact) << m.detail;
}

TYPED_TEST(BurstTest, HistoryHoldsTheNewestSamplesByTheReadingRule) {
  auto& e = this->engine;
  e.start(630, 6);
  const std::size_t m = 1000;
  const auto out = e.render(m);
  const auto& h = e.history();
  const std::uint64_t p = h.write_pos();
  ASSERT_EQ(p, m);
  // The newest n > m samples: n - m zeros from the ring's end, then the burst.
  const std::size_t n = 1500;
  for (std::size_t k = 0; k < n; ++k) {
    const float expected = k < n - m ? 0.0f : out[k - (n - m)];
    ASSERT_EQ(h.entry(sonavel::WaveformHistory::newest_index(p, n, k)), expected) << k;
  }
  EXPECT_EQ(sonavel::WaveformHistory::newest_index(p, n, 0), 32768u - 500u);
}

TYPED_TEST(BurstTest, HistoryForgetsABurstOneRingAfterItEnds) {
  auto& e = this->engine;
  e.start(8000, 0);
  e.render(132300);
  e.render(32767);
  EXPECT_TRUE(e.history().any_above(0.0f)) << "the burst's last sample is still held";
  e.render(1);
  EXPECT_FALSE(e.history().any_above(0.0f));
}

// The ring on its own: the push at the last slot wraps to the first.
TEST(WaveformHistory, WrapsAtTheEndAndReadsOldestToNewest) {
  sonavel::WaveformHistory h;
  for (int i = 0; i < 32767; ++i) h.push_waveform_sample(static_cast<float>(i));
  h.push_waveform_sample(-1.0f);
  EXPECT_EQ(h.write_pos(), 0u) << "the push at 32767 wraps to 0";
  h.push_waveform_sample(7.0f);
  // Newest three: slots 32766, 32767, 0.
  EXPECT_EQ(h.entry(sonavel::WaveformHistory::newest_index(h.write_pos(), 3, 0)), 32766.0f);
  EXPECT_EQ(h.entry(sonavel::WaveformHistory::newest_index(h.write_pos(), 3, 1)), -1.0f);
  EXPECT_EQ(h.entry(sonavel::WaveformHistory::newest_index(h.write_pos(), 3, 2)), 7.0f);
}

// The two halves of sonavel_pa's burst start: a buffer rendered between them
// (while the label and title are rewritten) still belongs to the old burst,
// at its own level and pitch.
TEST(ModuleBurstStart, FirstHalfDoesNotChangeTheBurstStillPlaying) {
  ModuleEngine e;
  e.start(250, 120);
  const auto quiet = reference_burst(250, 120);
  e.render(30000);
  sonavel::set_burst_tone(8000, 0);
  EXPECT_EQ(sonavel::inputFreq.load(), 8000) << "the captions may show the new band at once";
  const auto gap = e.render(256);
  for (std::size_t i = 0; i < gap.size(); ++i) ASSERT_EQ(gap[i], quiet[30000 + i]) << i;
  sonavel::arm_burst();
  const auto out = e.render(1000);
  const auto loud = reference_burst(8000, 0);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], loud[i]) << i;
}

// A change of the output is named for what changed: the device (here its
// port), or its volume, where muted counts as a volume; no change says nothing.
TEST(OutputChange, NamesTheDeviceOrTheVolumeThatChanged) {
  using sonavel::OutputFacts, sonavel::output_change_warning;
  const OutputFacts before{"Built-in Audio", "Headphones", "s16le", 48000, 2, 65, false};
  OutputFacts now = before;
  EXPECT_EQ(output_change_warning(before, now), "");
  now.port = "Speakers";
  EXPECT_EQ(output_change_warning(before, now),
            "The output changed from Built-in Audio (Headphones), s16le 48000 Hz 2 channels to "
            "Built-in Audio (Speakers), s16le 48000 Hz 2 channels: levels set before and after "
            "are not comparable");
  now = before;
  now.muted = true;
  EXPECT_EQ(output_change_warning(before, now),
            "The output volume changed from 65% to muted: levels set before and after are not "
            "comparable");
}

}  // namespace
