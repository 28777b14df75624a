#include "audio/stall_watchdog.h"

namespace sonavel {

void StallWatchdog::start(const std::atomic<std::uint64_t>& callbacks,
                          std::chrono::milliseconds limit, std::function<void()> recover) {
  stopping_ = false;
  thread_ = std::thread([this, &callbacks, limit, recover = std::move(recover)] {
    watch(callbacks, limit, recover);
  });
}

void StallWatchdog::stop() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void StallWatchdog::watch(const std::atomic<std::uint64_t>& callbacks,
                          std::chrono::milliseconds limit, const std::function<void()>& recover) {
  // Looking four times per limit finds a stall within 1.25 limits of its
  // start, without waking the machine more than a few times a second.
  const auto look = limit / 4;
  StallDetector detector(limit, callbacks.load(std::memory_order_relaxed),
                         StallDetector::Clock::now());
  std::unique_lock<std::mutex> hold(lock_);
  while (!wake_.wait_for(hold, look, [this] { return stopping_; })) {
    if (detector.stalled(callbacks.load(std::memory_order_relaxed), StallDetector::Clock::now())) {
      hold.unlock();
      recover();
      hold.lock();
      // The recovery's own time is not the new stream's: its limit starts now.
      detector = StallDetector(limit, callbacks.load(std::memory_order_relaxed),
                               StallDetector::Clock::now());
    }
  }
}

}  // namespace sonavel
