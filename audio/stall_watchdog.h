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
