// How late the machine itself wakes a sleeping thread: a thread sleeps 2 ms
// at a time for SECONDS and counts the wake-ups that came late by more than
// 5, 10 and 20 ms. A sound client has only as much time to refill the
// server's buffer as that buffer holds, so a machine whose threads wake
// 20 ms late now and then leaves a gap in any stream that keeps less queued.
// With --realtime the thread asks for first-in-first-out scheduling, which no
// ordinary process outranks: what is still late then is the machine's (a
// virtual machine whose processors the host holds back), not the load of
// its processes.
// Usage: wake_stalls SECONDS [--realtime]. Prints one line of names and values.
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
  const bool realtime = argc == 3 && std::strcmp(argv[2], "--realtime") == 0;
  if (argc < 2 || argc > 3 || (argc == 3 && !realtime) || std::atoi(argv[1]) <= 0) {
    std::fprintf(stderr, "usage: wake_stalls SECONDS [--realtime]\n");
    return 2;
  }
  const int seconds = std::atoi(argv[1]);
  if (realtime) {
    sched_param param{};
    param.sched_priority = 10;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0) {
      std::fprintf(stderr, "wake_stalls: real-time scheduling refused\n");
      return 1;
    }
  }
  using Clock = std::chrono::steady_clock;
  using Ms = std::chrono::duration<double, std::milli>;
  constexpr auto period = std::chrono::milliseconds(2);
  long wakes = 0, over5 = 0, over10 = 0, over20 = 0;
  double largest = 0.0;
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    const auto before = Clock::now();
    std::this_thread::sleep_for(period);
    const double late = Ms(Clock::now() - before - period).count();
    ++wakes;
    over5 += late > 5.0;
    over10 += late > 10.0;
    over20 += late > 20.0;
    largest = std::max(largest, late);
  }
  std::printf("wakes %ld late_over_5ms %ld late_over_10ms %ld late_over_20ms %ld largest_ms %.1f\n",
              wakes, over5, over10, over20, largest);
  return 0;
}
