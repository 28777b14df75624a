// An audio thread renders 256-frame buffers without pause while the main
// thread arms bursts at random moments and reads the state and the history.
// The audio side checks every sample it renders against the reference burst:
// each burst is either cut off by a new one (which must begin at its first
// sample) or plays all 132300 samples and is followed by silence. Run under
// the thread sanitizer, this also proves the sharing free of data races.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <thread>

#include "engine_adapters.h"
#include "support/reference_burst.h"

using namespace sonavel_test;
using Clock = std::chrono::steady_clock;

namespace {

// Follows the rendered stream through bursts of one fixed band and level.
class BurstFollower {
 public:
  explicit BurstFollower(const std::vector<float>& ref) : ref_(ref) {}

  // False on a sample that no correct engine could have produced here.
  bool take(float s) {
    if (pos_ == 0) {  // idle: silence, or the second sample of a new burst
      if (s == 0.0f) return true;
      if (s != ref_[1]) return false;
      ++starts_;
      pos_ = 2;
      return true;
    }
    if (s == ref_[pos_]) {
      if (++pos_ == ref_.size()) {
        completed_.fetch_add(1, std::memory_order_relaxed);
        pos_ = 0;
      }
      return true;
    }
    if (s != ref_[0]) return false;  // not a restart either
    ++starts_;
    pos_ = 1;
    return true;
  }
  // A burst that starts on an idle stream is seen one sample late (its first
  // sample is silence); count it when the run ends.
  int starts() const { return starts_; }
  int completed() const { return completed_.load(std::memory_order_relaxed); }

 private:
  const std::vector<float>& ref_;
  std::size_t pos_ = 0;
  int starts_ = 0;
  std::atomic<int> completed_{0};
};

// The view's frame as the program's view takes it, racing with the audio
// thread, at the longest time window: the whole ring.
template <typename Engine>
class ViewReader {
 public:
  explicit ViewReader(Engine& e) : engine_(e) { e.link->set_time_window(2.0); }
  // The largest magnitude the view would draw, looking at every stride-th
  // sample (a large stride makes a quick look, many of which fit in a moment).
  float largest(std::uint32_t stride = 1) {
    sonavel::WaveformFrame frame;
    engine_.link->take_frame(Engine::choices, frame, *copy_);
    float peak = 0.0f;
    for (std::uint32_t k = 0; k < frame.visible_samples; k += stride) {
      peak = std::max(peak, std::fabs(frame.sample(k)));
    }
    return peak;
  }

 private:
  Engine& engine_;
  std::unique_ptr<sonavel::WaveformCopy> copy_ = std::make_unique<sonavel::WaveformCopy>();
};

template <typename Engine>
class EngineStress : public ::testing::Test {
 protected:
  Engine engine;
};
TYPED_TEST_SUITE(EngineStress, Engines, EngineNames);

TYPED_TEST(EngineStress, BurstsStayWholeWhileTheMainThreadArmsAndReads) {
  auto& engine = this->engine;
  const auto ref = reference_burst(1000, 0);
  BurstFollower follower(ref);
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> buffers{0};
  std::atomic<long> bad_sample{-1};

  std::thread audio([&] {
    std::vector<float> buf(256);
    long index = 0;
    while (!stop.load(std::memory_order_relaxed)) {
      buf = engine.render(256);
      for (float s : buf) {
        if (!follower.take(s) && bad_sample.load() < 0) bad_sample.store(index);
        ++index;
      }
      buffers.fetch_add(1, std::memory_order_release);
    }
  });

  std::mt19937 rng(12345);
  ViewReader<TypeParam> view(engine);
  int arms = 0;
  const auto until = Clock::now() + std::chrono::milliseconds(1200);
  while (Clock::now() < until || follower.completed() < 2) {
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
    const int done_before_arm = follower.completed();
    engine.start(1000, 0);
    ++arms;
    // Let the audio thread render a whole buffer after the arm, so that every
    // arm is seen on its own; the arm itself still lands mid-buffer.
    const auto seen = buffers.load(std::memory_order_acquire) + 2;
    while (buffers.load(std::memory_order_acquire) < seen) std::this_thread::yield();
    view.largest();        // what the view reads, racing with the audio thread
    if (rng() % 4 == 0) {  // now and then let a burst play to its end
      while (follower.completed() == done_before_arm && bad_sample.load() < 0) {
        std::this_thread::yield();
      }
    }
    if (bad_sample.load() >= 0) break;
  }
  stop.store(true);
  audio.join();

  EXPECT_EQ(bad_sample.load(), -1) << "wrong sample at stream index " << bad_sample.load();
  EXPECT_EQ(follower.starts(), arms) << "every burst start must be heard";
  EXPECT_GE(follower.completed(), 2);
}

// A start that lowers the level by 60 dB while the audio thread renders the
// loud burst: from the start on, the view must show nothing of the earlier
// burst, which the new zoom would magnify a thousandfold.
TYPED_TEST(EngineStress, AfterAStartTheViewShowsNothingOfTheEarlierBurst) {
  auto& engine = this->engine;
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> rendered{0};
  std::thread audio([&] {
    while (!stop.load(std::memory_order_relaxed)) {
      engine.render(256);
      rendered.fetch_add(256, std::memory_order_release);
    }
  });
  ViewReader<TypeParam> view(engine);
  const float quiet_peak = static_cast<float>(0.999999e-3);
  float worst = 0.0f;
  // The audio thread takes a start up within microseconds and clears the ring
  // in a few more; quick looks at four samples a quarter of the ring apart
  // keep landing inside that moment, for about a second of starts.
  const auto until = Clock::now() + std::chrono::seconds(1);
  for (int start = 0; (start < 20 || Clock::now() < until) && worst <= quiet_peak; ++start) {
    engine.start(1000, 0);
    const std::uint64_t loud_from = rendered.load(std::memory_order_acquire) + 30000;
    while (rendered.load(std::memory_order_acquire) < loud_from) std::this_thread::yield();
    engine.start(1000, 60);
    const std::uint64_t taken_up = rendered.load(std::memory_order_acquire) + 512;
    while (rendered.load(std::memory_order_acquire) < taken_up) {
      worst = std::max(worst, view.largest(sonavel::historyLength / 4));
    }
    for (int draw = 0; draw < 20; ++draw) worst = std::max(worst, view.largest());
  }
  stop.store(true);
  audio.join();
  EXPECT_LE(worst, quiet_peak) << "a sample of the 0 dB burst shown after the -60 dB start";
}

}  // namespace
