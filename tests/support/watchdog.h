// Ends a test that has stopped making progress, saying what it was doing,
// instead of letting it hang until CTest's time-out: a sound library call
// that never returns ends the run with one line on standard error.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace sonavel_test {

class Watchdog {
 public:
  // limit: how long any one phase may take.
  explicit Watchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { watch(); }) {}
  ~Watchdog() {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      done_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Starts a new phase, with the whole limit before it.
  void phase(const std::string& what) {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      phase_ = what;
      ++serial_;
    }
    wake_.notify_one();
  }

 private:
  void watch() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!done_) {
      const unsigned serial = serial_;
      if (!wake_.wait_for(hold, limit_, [&] { return done_ || serial_ != serial; })) {
        std::fprintf(stderr, "stopped: %s took more than %lld s\n", phase_.c_str(),
                     static_cast<long long>(limit_.count()));
        std::fflush(stderr);
        std::_Exit(1);
      }
    }
  }

  std::chrono::seconds limit_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::string phase_ = "starting";
  unsigned serial_ = 0;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace sonavel_test
