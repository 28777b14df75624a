// What the bare audio clients of the benchmarks' floors share: the signals
// that end them, blocked before any library thread starts so that the main
// thread alone takes them, and the line that says the client plays.
#pragma once

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace sonavel_bench {

// SIGTERM and SIGINT, blocked in this thread and every thread it starts.
inline sigset_t block_ending_signals() {
  sigset_t ends;
  sigemptyset(&ends);
  sigaddset(&ends, SIGTERM);
  sigaddset(&ends, SIGINT);
  pthread_sigmask(SIG_BLOCK, &ends, nullptr);
  return ends;
}

// Once the audio library has asked for data, prints "playing"; then waits
// for one of ends.
inline void play_until_ended(const std::atomic<bool>& asked, const sigset_t& ends) {
  while (!asked.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::printf("playing\n");
  std::fflush(stdout);
  int sig = 0;
  sigwait(&ends, &sig);
}

}  // namespace sonavel_bench
