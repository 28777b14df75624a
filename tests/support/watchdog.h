// Ends a test that has stopped making progress, saying what it was doing,
// instead of letting it hang until CTest's time-out: a sound library call
// that never returns ends the run with one line on standard error.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace sonavel_test {

class Watchdog {
 public:
  // limit: how long any one phase may take.
  explicit Watchdog(std::chrono::seconds limit) : limit_(limit) {
    // The line is written beforehand: a signal handler may only make
    // async-signal-safe calls.
    signal(SIGALRM, [](int) {
      [[maybe_unused]] const auto written = write(2, line_, lineLength_);
      _exit(1);
    });
    phase("starting");
  }
  ~Watchdog() { alarm(0); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Starts a new phase, with the whole limit before it.
  void phase(const std::string& what) {
    alarm(0);
    const int n = std::snprintf(line_, sizeof line_, "stopped: %s took more than %lld s\n",
                                what.c_str(), static_cast<long long>(limit_.count()));
    lineLength_ = std::min(static_cast<std::size_t>(n), sizeof line_ - 1);
    alarm(static_cast<unsigned>(limit_.count()));
  }

 private:
  static inline char line_[256];
  static inline std::size_t lineLength_ = 0;
  std::chrono::seconds limit_;
};

}  // namespace sonavel_test
