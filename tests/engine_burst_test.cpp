// Burst synthesis and history, run against both sharing modes. CTest runs
// every case in a process of its own, so the module-level state starts fresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/bands.h"
#include "engine/burst.h"
#include "engine_adapters.h"
#include "reference_burst.h"

using namespace sonavel_test;

template <typename Engine>
class BurstTest : public ::testing::Test {
 protected:
  Engine engine;
};

using Engines = ::testing::Types<ModuleEngine, LockedEngine>;
struct EngineNames {
  template <typename T>
  static std::string GetName(int) {
    return T::kName;
  }
};
TYPED_TEST_SUITE(BurstTest, Engines, EngineNames);

TYPED_TEST(BurstTest, SilentAtStartUp) {
  auto& e = this->engine;
  EXPECT_TRUE(e.paused());
  EXPECT_EQ(e.freq(), 20);
  EXPECT_EQ(e.attenuation(), 1.0);
  const auto out = e.render(40000);  // more than the ring holds
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return s == 0.0f; }));
  EXPECT_EQ(e.remaining(), 0u);
  EXPECT_EQ(e.phase(), 0.0);
  EXPECT_FALSE(e.history().any_above(0.0f));
  EXPECT_EQ(e.history().write_pos(), 40000u % 32768u);
}

TYPED_TEST(BurstTest, BurstIsExactlyOneLengthThenPausesItself) {
  auto& e = this->engine;
  e.start(1000, 0);
  EXPECT_FALSE(e.paused());
  EXPECT_EQ(e.remaining(), 132300u);
  EXPECT_EQ(e.phase(), 0.0);

  const auto burst = e.render(132299);
  EXPECT_FALSE(e.paused());
  EXPECT_EQ(e.remaining(), 1u);
  const auto last = e.render(1);
  EXPECT_NE(last[0], 0.0f);  // -159.99 dB, but not silence
  EXPECT_TRUE(e.paused());
  EXPECT_EQ(e.remaining(), 0u);

  const double phase_after = e.phase();
  const auto after = e.render(1000);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float s) { return s == 0.0f; }));
  EXPECT_EQ(e.phase(), phase_after) << "idle must not advance the phase";
}

TYPED_TEST(BurstTest, WholeBurstMatchesTheReferenceForEveryBand) {
  for (int band : {0, 16, 32}) {
    const int hz = sonavel::bands[band];
    const int db = band == 32 ? 120 : 37;
    this->engine.start(hz, db);
    const auto out = this->engine.render(132300);
    const auto ref = reference_burst(hz, db);
    for (std::size_t i = 0; i < out.size(); ++i) {
      ASSERT_EQ(out[i], ref[i]) << hz << " Hz, sample " << i;
    }
  }
}

TYPED_TEST(BurstTest, EnvelopeValuesAtTheFadeEdges) {
  auto& e = this->engine;
  const int hz = 1000;
  e.start(hz, 60);
  const auto out = e.render(132300);
  const double amp = 0.999999 * 0.001;
  const double inc = 6.283185307179586 * hz / 44100.0;

  EXPECT_EQ(out[0], 0.0f) << "a burst starts at phase 0";
  EXPECT_NEAR(out[1] / (std::sin(inc) * amp), 1.00084e-8, 1e-12);

  // The 22050th sample (index 22049) sits at -0.00726 dB.
  double phase = 0.0;
  for (int i = 0; i < 22049; ++i) {
    phase += inc;
    if (phase >= 6.283185307179586) phase -= 6.283185307179586;
  }
  const double env_22050th = out[22049] / (std::sin(phase) * amp);
  EXPECT_NEAR(20.0 * std::log10(env_22050th), -0.00726, 1e-5);

  // Full factor from index 22050 through the first fade-out sample (index
  // 110250, rendered with 22050 remaining), then below it.
  phase += inc;
  if (phase >= 6.283185307179586) phase -= 6.283185307179586;
  for (int i = 22050; i <= 110250; ++i) {
    ASSERT_EQ(out[i], static_cast<float>(std::sin(phase) * amp)) << i;
    phase += inc;
    if (phase >= 6.283185307179586) phase -= 6.283185307179586;
  }
  EXPECT_LT(std::fabs(out[110251]), std::fabs(static_cast<float>(std::sin(phase) * amp)));
}

TYPED_TEST(BurstTest, PeaksAtZeroAndAtOneHundredTwentyDecibels) {
  auto& e = this->engine;
  e.start(1000, 0);
  auto out = e.render(132300);
  float peak = 0.0f;
  for (float s : out) peak = std::max(peak, std::fabs(s));
  EXPECT_LE(peak, static_cast<float>(0.999999));
  EXPECT_GT(peak, 0.9999f);

  e.start(1000, 120);
  EXPECT_DOUBLE_EQ(e.attenuation(), 1e-6);
  out = e.render(132300);
  peak = 0.0f;
  for (float s : out) peak = std::max(peak, std::fabs(s));
  EXPECT_LE(peak, static_cast<float>(0.999999e-6));
  EXPECT_GT(peak, 0.9999e-6f);
}

TYPED_TEST(BurstTest, SixteenKilohertzPhaseWrapsAndStaysInRange) {
  auto& e = this->engine;
  e.start(16000, 0);
  double previous = e.phase();
  int wraps = 0;
  for (int i = 0; i < 2000; ++i) {
    e.render(1);
    const double now = e.phase();
    ASSERT_GE(now, 0.0);
    ASSERT_LT(now, 6.283185307179586);
    if (now < previous) {
      ++wraps;
      EXPECT_NEAR(now + 6.283185307179586 - previous, 2.2796, 1e-4);
    } else {
      EXPECT_NEAR(now - previous, 2.2796, 1e-4);
    }
    previous = now;
  }
  EXPECT_GT(wraps, 700);  // 2000 * 2.2796 / 2pi = 725.6
}

TYPED_TEST(BurstTest, StartingWhilePlayingRestartsFromTheFirstSample) {
  auto& e = this->engine;
  e.start(250, 10);
  e.render(50000);
  e.start(4000, 20);
  EXPECT_EQ(e.remaining(), 132300u);
  EXPECT_EQ(e.phase(), 0.0);
  EXPECT_FALSE(e.paused());
  EXPECT_EQ(e.history().write_pos(), 0u);
  EXPECT_FALSE(e.history().any_above(0.0f)) << "the start clears the history";

  const auto out = e.render(132300);
  const auto ref = reference_burst(4000, 20);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ref[i]) << i;
  EXPECT_TRUE(e.paused());
  // The new burst's first sample went to slot 0.
  EXPECT_EQ(e.history().entry(0), ref[32768 * 4]);
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
  EXPECT_EQ(sonavel::WaveformHistory::newest_index(p, n, n - 1), m - 1);
}

TYPED_TEST(BurstTest, HistoryForgetsABurstOneRingAfterItEnds) {
  auto& e = this->engine;
  e.start(8000, 0);
  e.render(132300);
  EXPECT_TRUE(e.history().any_above(1e-9f));
  e.render(32767);
  EXPECT_TRUE(e.history().any_above(0.0f)) << "the burst's last sample is still held";
  e.render(1);
  EXPECT_FALSE(e.history().any_above(0.0f));
}

// The ring on its own: wrap, clear and the read-back order.
TEST(WaveformHistory, WrapsClearsAndReadsNewestFirstToLast) {
  sonavel::WaveformHistory h;
  EXPECT_EQ(h.write_pos(), 0u);
  for (int i = 0; i < 32767; ++i) h.push(static_cast<float>(i));
  EXPECT_EQ(h.write_pos(), 32767u);
  h.push(-1.0f);
  EXPECT_EQ(h.write_pos(), 0u) << "the push at 32767 wraps to 0";
  EXPECT_EQ(h.entry(32767), -1.0f);
  h.push(7.0f);
  EXPECT_EQ(h.entry(0), 7.0f);
  EXPECT_EQ(h.write_pos(), 1u);
  // Newest three: slots 32766, 32767, 0.
  EXPECT_EQ(h.entry(sonavel::WaveformHistory::newest_index(h.write_pos(), 3, 0)), 32766.0f);
  EXPECT_EQ(h.entry(sonavel::WaveformHistory::newest_index(h.write_pos(), 3, 1)), -1.0f);
  EXPECT_EQ(h.entry(sonavel::WaveformHistory::newest_index(h.write_pos(), 3, 2)), 7.0f);
  // All 32768: oldest is the slot at the write position.
  EXPECT_EQ(sonavel::WaveformHistory::newest_index(h.write_pos(), 32768, 0), 1u);

  h.clear();
  EXPECT_EQ(h.write_pos(), 0u);
  EXPECT_FALSE(h.any_above(0.0f));
  // Right after a clear the newest n are the zeros at 32768 - n .. 32767.
  EXPECT_EQ(sonavel::WaveformHistory::newest_index(0, 10, 0), 32758u);
}

TEST(DbToLinear, PublishedValues) {
  EXPECT_EQ(sonavel::db_to_linear(0.0), 1.0);
  EXPECT_DOUBLE_EQ(sonavel::db_to_linear(-20.0), 0.1);
  EXPECT_DOUBLE_EQ(sonavel::db_to_linear(-60.0), 0.001);
  EXPECT_DOUBLE_EQ(sonavel::db_to_linear(-160.0), 1e-8);
}

TEST(Bands, AscendingTableWithTheExtraBands) {
  EXPECT_EQ(sonavel::bands.front(), 25);
  EXPECT_EQ(sonavel::bands[1], 31);
  EXPECT_EQ(sonavel::bands[16], 1000);
  EXPECT_EQ(sonavel::bands[22], 3500);
  EXPECT_EQ(sonavel::bands[26], 7000);
  EXPECT_EQ(sonavel::bands[28], 9000);
  EXPECT_EQ(sonavel::bands[30], 11000);
  EXPECT_EQ(sonavel::bands.back(), 16000);
  EXPECT_TRUE(std::is_sorted(sonavel::bands.begin(), sonavel::bands.end()));
}

// A holder that fails inside the lock leaves the record unusable: no more
// burst starts, and the render side produces silence.
TEST(LockedToneState, FailureInsideTheLockSilencesTheRecord) {
  LockedEngine e;
  e.start(1000, 0);
  e.render(30000);
  try {
    sonavel::ToneStateGuard guard(*e.holder);
    throw std::runtime_error("handler failed");
  } catch (const std::runtime_error&) {
  }
  const std::uint64_t before = e.remaining();
  e.start(2000, 10);
  EXPECT_EQ(e.remaining(), before) << "start_burst must change nothing";
  EXPECT_EQ(e.freq(), 1000);
  std::vector<std::int16_t> out(256, 123);
  sonavel::render_locked(*e.holder, out.data(), out.size(),
                         [](float s) { return static_cast<std::int16_t>(s * 32767.0f + 7); });
  for (auto v : out) ASSERT_EQ(v, 7) << "the converted value of 0.0, everywhere";
  EXPECT_EQ(e.remaining(), before) << "the render leaves the state untouched";
}

// The two halves of sonavel_pa's burst start: a buffer rendered between them
// (while the label and title are rewritten) still belongs to the old burst,
// at its own level and pitch.
TEST(ModuleBurstStart, FirstHalfDoesNotChangeTheBurstStillPlaying) {
  ModuleEngine e;
  e.start(250, 120);
  const auto quiet = reference_burst(250, 120);
  auto out = e.render(30000);
  sonavel::set_burst_tone(8000, 0);
  EXPECT_EQ(e.freq(), 8000) << "the captions may show the new band at once";
  const auto gap = e.render(256);
  for (std::size_t i = 0; i < gap.size(); ++i) ASSERT_EQ(gap[i], quiet[30000 + i]) << i;
  sonavel::arm_burst();
  out = e.render(1000);
  const auto loud = reference_burst(8000, 0);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], loud[i]) << i;
}
