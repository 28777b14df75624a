// Watches a running stream's callback count from a thread of its own and
// calls a recovery when the count has stood still for a whole limit: a
// stream whose callbacks have stopped renders nothing, so the tones the
// window announces meanwhile are never heard.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace sonavel {

// Decides, from looks at a callback count and the time of each look, when a
// stream has stalled: the count has not moved for a whole limit since it last
// moved, or since the last stall was answered. The watchdog's thread looks on
// the steady clock; a test looks on a clock of its own.
class StallDetector {
 public:
  using Clock = std::chrono::steady_clock;

  StallDetector(std::chrono::milliseconds limit, std::uint64_t count, Clock::time_point now)
      : limit_(limit), seen_(count), moved_(now) {}
  // Whether the stream has stalled, given the count and the time of this look.
  // Once it says so, the stream has a whole limit again from now.
  bool stalled(std::uint64_t count, Clock::time_point now) {
    if (count != seen_ || now - moved_ >= limit_) {
      const bool stall = count == seen_;
      seen_ = count;
      moved_ = now;
      return stall;
    }
    return false;
  }

 private:
  std::chrono::milliseconds limit_;
  std::uint64_t seen_;
  Clock::time_point moved_;
};

class StallWatchdog {
 public:
  StallWatchdog() = default;
  ~StallWatchdog() { stop(); }
  StallWatchdog(const StallWatchdog&) = delete;
  StallWatchdog& operator=(const StallWatchdog&) = delete;

  // Starts watching callbacks, which the stream's callback advances. recover
  // runs on the watchdog's thread each time the count has not moved for
  // limit, and the stream then has a whole limit again to show progress.
  // Not while already watching.
  void start(const std::atomic<std::uint64_t>& callbacks, std::chrono::milliseconds limit,
             std::function<void()> recover);
  // Stops watching and joins the thread, a recovery in progress included;
  // nothing when not watching. Any thread but the watchdog's.
  void stop();

 private:
  void watch(const std::atomic<std::uint64_t>& callbacks, std::chrono::milliseconds limit,
             const std::function<void()>& recover);

  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sonavel
